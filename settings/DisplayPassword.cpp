#include "settings/DisplayPassword.h"

#include "app/base/SysConfig.h"
#include "settings/Md5.h"
#include "settings/TextCipher.h"
#include "store/xml/Encoding.h"

#include <windows.h>

namespace {

constexpr wchar_t kKey[] = L"EncryptPwd";

// The password's bytes in the ANSI code page; lossy when some character had no place in it.
std::string AnsiBytes(const std::wstring& text, bool* lossy = nullptr) {
    return WideToCodePage(CP_ACP, text, lossy);
}

} // namespace

std::wstring GetEncryptPwd() {
    std::wstring value;
    SysConfig::ReadText(kKey, value);
    return value;
}

bool SetEncryptPwd(const std::wstring& encrypted) {
    return SysConfig::WriteText(kKey, encrypted);
}

std::string DisplayPasswordHash() {
    const std::wstring stored = GetEncryptPwd();
    if (stored.empty())
        return {};
    return Md5Hex(AnsiBytes(DecryptText(stored)));
}

std::wstring NormalizePassword(const std::wstring& typed) {
    const size_t first = typed.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    const size_t last = typed.find_last_not_of(L' ');
    return AsciiLower(std::wstring_view(typed).substr(first, last - first + 1));
}

std::string TypedPasswordHash(const std::wstring& typed) {
    const std::wstring password = NormalizePassword(typed);
    bool lossy = false;
    const std::string bytes = AnsiBytes(password, &lossy);
    if (password.empty() || lossy)
        return {};
    return Md5Hex(bytes);
}

bool IsKeepablePassword(const std::wstring& password) {
    bool lossy = false;
    AnsiBytes(password, &lossy);
    return !password.empty() && !lossy && DecryptText(EncryptText(password)) == password;
}
