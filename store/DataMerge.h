#pragma once
// Merges an unpacked copy of the data folder (a backup) into the live one. A note or template is
// one folder whose name is unique across the store, so a name found anywhere in the live store
// (another group, a recycle bin) is the same note: with replace the backup's copy takes its place,
// without it the live one stays as it is; either way there is never a second copy.
#include <string>

// from and to are data folders ("...\NoteData\"). Files outside notes and templates (and every
// file of a note found in the same place) are copied, overwriting exactly when replace is set.
// False when some file could not be copied or some replaced folder could not be removed.
bool MergeDataFolder(const std::wstring& from, const std::wstring& to, bool replace);
