#pragma once
// Text conversions between UTF-16 and file bytes.
#include <string>
#include <string_view>

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view bytes);
// Utf8ToWide into out; true when every sequence was valid (IsValidUtf8), so one pass both decides
// whether bytes are UTF-8 and decodes them.
bool DecodeUtf8(std::string_view bytes, std::wstring& out);
bool IsValidUtf8(std::string_view bytes);
// Code page 0 means the system ANSI code page. `lossy` reports characters the code page lacks.
std::string WideToCodePage(unsigned code_page, std::wstring_view text, bool* lossy = nullptr);
std::wstring CodePageToWide(unsigned code_page, std::string_view bytes);
// True when the byte starts a double-byte character of the code page (0, or one the system does not
// know: the system's ANSI code page).
bool IsLeadByte(unsigned code_page, unsigned char byte);
// Code page of an encoding name such as "UTF-8", "GB2312", "windows-1252"; 0 when unknown.
unsigned CodePageOfName(std::wstring_view name);
// Lower-cases ASCII letters only.
std::wstring AsciiLower(std::wstring_view text);
