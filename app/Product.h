#pragma once
// The product's name, version (configured from the project version, like the version resource)
// and the maker's web site, whose pages the program opens.
#include "app/Version.h"

inline constexpr wchar_t kProductName[] = L"Velin";
inline constexpr wchar_t kMakerSite[] = L"https://velin.brimsoft.cn";
// Paths on the maker's site.
inline constexpr wchar_t kFeedbackPath[] = L"/%E7%95%99%E8%A8%80%E6%9D%BF";
inline constexpr wchar_t kDonatePath[] = L"/%E6%8D%90%E8%B5%A0";
