#pragma once
// The remembered run folder in the registry and the offer to bring the notes over from the folder
// the program ran from before.
#include <functional>
#include <string>

// Asks the user; answers the button bit pressed (MessageBoxBits).
using AskUser = std::function<int(const std::wstring& text, int buttons)>;

// Normalises a stored run folder as compared with the lower-cased ExeDir: spaces trimmed, a trailing
// backslash added, ASCII letters lower-cased; empty when nothing is left.
std::wstring NormaliseRunFolder(const std::wstring& stored);

// Runs once at start-up in the first instance.
void ResolveDataFolder(const AskUser& ask);

inline constexpr wchar_t kRunFolderKey[] = L"Software\\brimsoft\\kivpad";
inline constexpr wchar_t kRunFolderValue[] = L"currunpath";
