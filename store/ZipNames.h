#pragma once
// How entry names are stored in our archives and checked before extraction.
//
// Names are written with "/" between folders and as UTF-8 with general purpose bit 11 set, so a
// group named "工作" survives a machine whose ANSI code page lacks it. Names read back without
// bit 11 are decoded with the ANSI code page (archives of earlier versions), except names from a
// Unix host that are valid UTF-8 (Info-ZIP on Linux writes UTF-8 without the bit).
//   L"NoteData\\工作\\a.xml"  ->  "NoteData/\xE5\xB7\xA5\xE4\xBD\x9C/a.xml", flag 0x800
#include <cstdint>
#include <string>
#include <string_view>

namespace ZipNames {

inline constexpr uint32_t kUtf8Flag = 1u << 11; // language encoding flag (EFS)
inline constexpr uint32_t kHostNtfs = 10;       // "version made by" high byte
inline constexpr uint32_t kHostUnix = 3;
inline constexpr uint32_t kVersionMadeBy = (kHostNtfs << 8) | 20; // NTFS host, ZIP format 2.0

// Bytes stored for a name that uses "\" between folders.
std::string Encode(std::wstring_view name);
// Name as the program uses it: "\" between folders.
std::wstring Decode(std::string_view bytes, uint32_t flag, uint32_t version_made_by);
// False for names that would land outside the target folder: empty, absolute ("\x", "\\server"),
// with a drive or stream colon, or with a component made only of dots and spaces ("..", "...").
bool IsSafeRelative(std::wstring_view name);

} // namespace ZipNames
