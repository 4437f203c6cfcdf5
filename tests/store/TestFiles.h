#pragma once
// Small file helpers for tests; paths are relative to the test's scratch folder.
#include <string>

std::string ReadAll(const std::wstring& path);
void WriteAll(const std::wstring& path, const std::string& bytes);
