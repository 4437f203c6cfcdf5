#pragma once
// Small file-system helpers shared by the persistence code. Folder arguments end in a backslash
// unless said otherwise.
#include <string>
#include <vector>

// path without trailing backslash
bool FolderExists(const std::wstring& path);
// Creates the folder (one level) when missing; answers whether it exists afterwards.
bool EnsureFolder(const std::wstring& folder);
void DeleteTree(const std::wstring& folder);
// Names of files and folders, no path, in the order the file system gives them.
std::vector<std::wstring> ListEntries(const std::wstring& folder);
// Answers true only when every file was copied (a skipped existing file counts as copied).
bool CopyTree(const std::wstring& from, const std::wstring& to, bool overwrite);
