#pragma once
// Whole-file reads and torn-free writes: the new bytes go to a temporary file in the same folder,
// are flushed, and then replace the old file, so a crash leaves either the old or the new file.
#include <string>
#include <string_view>

// `missing` (when given) tells a file or folder that is not there from one that could not be read.
bool ReadFileBytes(const std::wstring& path, std::string& out, bool* missing = nullptr);
bool WriteFileAtomic(const std::wstring& path, std::string_view bytes);
bool FileExists(const std::wstring& path);
