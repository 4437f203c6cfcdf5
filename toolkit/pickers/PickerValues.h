#pragma once
// The texts the pickers read from their settings files and their edit boxes: colours as signed
// decimal ARGB and font sizes as typed. Readers answer false for anything else, whatever it holds.
#include <cstdint>
#include <string>
#include <string_view>

// An optional sign and decimal digits, within -2147483648 .. 4294967295; "-16777216" is opaque black.
bool ParseArgbText(std::wstring_view text, uint32_t& argb);
// The signed decimal form the settings files keep.
std::wstring ArgbText(uint32_t argb);

// Blanks around, then digits with at most one decimal point ("12", "10.5", ".5").
bool ParseSizeText(std::wstring_view text, double& size);
// "12" for whole sizes, otherwise up to two decimals ("10.5").
std::wstring SizeText(double size);
