#pragma once
// MD5 (RFC 1321) of a byte string as 32 lowercase hex digits. Platform-free.
#include <string>
#include <string_view>

std::string Md5Hex(std::string_view bytes);
