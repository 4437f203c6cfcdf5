#pragma once
// The display password that locks rich text items: kept in "sysconfig.xml" under "EncryptPwd" in
// the stored text form, and recognised by the MD5 of its bytes in the ANSI code page. A password
// is kept trimmed of spaces and with A to Z lowered, and typed entries are compared in that form.
#include <string>

// The stored value; empty when none is set.
std::wstring GetEncryptPwd();
// Writes the stored (already encrypted) value; false when the file could not be written.
bool SetEncryptPwd(const std::wstring& encrypted);
// 32 lowercase hex digits of the MD5 of the decrypted password; empty when none is set.
std::string DisplayPasswordHash();

// Trimmed of leading and trailing spaces, A to Z lowered code unit by code unit.
std::wstring NormalizePassword(const std::wstring& typed);
// The hash an entry must give to match DisplayPasswordHash: of the normalised entry. Empty when
// the entry is empty or the ANSI code page cannot hold it, so it matches no password.
std::string TypedPasswordHash(const std::wstring& typed);
// True when a normalised password can be kept: its stored form gives it back and the ANSI code
// page holds it, so typing it again gives its hash.
bool IsKeepablePassword(const std::wstring& password);
