#pragma once
// The stored form of passwords ("EncryptPwd", "mailpwd"): each 16-byte block of the UTF-16LE text
// and its zero terminator is AES-encrypted twice with fixed keys, and the cipher bytes are kept as
// UTF-16 code units. Platform-free.
//
// Some cipher blocks cannot be kept that way: a zero code unit ends the block's contribution, and
// half a surrogate pair does not survive the UTF-8 settings file (it comes back as U+FFFD). A text
// with such a block is stored in a safe form of hex digits instead; every other text is stored
// exactly as earlier versions stored it, and both forms are read.
#include <string>

std::wstring EncryptText(const std::wstring& text);
std::wstring DecryptText(const std::wstring& stored);

// The form earlier versions stored for every text, whether it could be kept or not; recognises
// their values.
std::wstring EncryptTextOldForm(const std::wstring& text);
