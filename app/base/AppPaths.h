#pragma once
// The folder tree beside the executable. Every folder operation creates its folder (one level) on
// first use and answers the path with a trailing backslash.
#include <string>

// The folders inside the data folder, relative to it.
namespace DataFolder {
inline constexpr wchar_t kNoteItems[] = L"NoteItems\\";
inline constexpr wchar_t kGroupItems[] = L"NoteItems2\\";
inline constexpr wchar_t kRecycle[] = L"Recycle\\";
inline constexpr wchar_t kTpls[] = L"NoteTpls\\";
inline constexpr wchar_t kGroupTpls[] = L"NoteTpls2\\";
inline constexpr wchar_t kTplRecycle[] = L"TplRecycle\\";
} // namespace DataFolder

const std::wstring& ExeDir();
std::wstring DataDir();
std::wstring NoteItemsDir();
std::wstring GroupItemsDir();
// base empty: the default group's NoteItemsDir.
std::wstring NoteFolder(const std::wstring& name, const std::wstring& base = {});
std::wstring TplsDir();
// Whether TplsDir is there yet, without making it: a data folder without it is a fresh one.
bool TplsDirExists();
std::wstring GroupTplsDir();
// Empty when the folder could not be created.
std::wstring TplFolder(const std::wstring& name);
std::wstring GroupTplFolder(const std::wstring& group, const std::wstring& name);
std::wstring TplRecycleDir();
std::wstring RecycleDir();
std::wstring CapNoteDir();
std::wstring NormalSetDir();
std::wstring BackupDir();
std::wstring TempImageDir();
std::wstring ResDir();
std::wstring RowIconDir(const std::wstring& set = {});
std::wstring DownloadDir();
std::wstring SysConfigPath();
std::wstring CustomColorPath();
std::wstring LogPath();
