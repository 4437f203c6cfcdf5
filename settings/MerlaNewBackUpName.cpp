#include "settings/MerlaNewBackUpName.h"

#include "app/base/AppPaths.h"
#include "settings/BackupTell.h"

#include <cwctype>
#include <iterator>

namespace {

constexpr wchar_t kTitle[] = L"新建邮箱备份";
constexpr wchar_t kCue[] = L"请输入新的备份名字！";
constexpr wchar_t kExists[] = L"存在相同的文件或者文件夹！";
constexpr wchar_t kIllegal[] = L"文件命名不合法！";
constexpr wchar_t kZip[] = L".zip";
constexpr size_t kZipLength = std::size(kZip) - 1;
constexpr size_t kShortestWithZip = kZipLength + 1;

} // namespace

MerlaNewBackUpName::MerlaNewBackUpName() : MerlaNewName(kTitle, kHeight, kWidth) {
    SetObjectName(L"MerlaNewBackUpName");
    SetTitleIcon(L"Merla.png");
}

bool MerlaNewBackUpName::OnCreate() {
    const bool ok = MerlaNewName::OnCreate();
    edit_.SetCueText(kCue);
    return ok;
}

bool MerlaNewBackUpName::ValidateName() {
    entered_ = TrimSpaces(entered_);
    const std::wstring path = BackupDir() + entered_ + kZip;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        TellBackup(handle_, kExists);
        return false;
    }
    // The file system is the judge of a legal name: a folder of that name must be possible.
    if (entered_.empty() || !CreateDirectoryW(path.c_str(), nullptr)) {
        TellBackup(handle_, kIllegal);
        return false;
    }
    RemoveDirectoryW(path.c_str());
    return true;
}

std::wstring BackupArchiveName(const std::wstring& name) {
    if (name.size() >= kShortestWithZip) {
        std::wstring tail = name.substr(name.size() - kZipLength);
        for (wchar_t& c : tail)
            c = static_cast<wchar_t>(std::towlower(c));
        if (tail == kZip)
            return name;
    }
    return name + kZip;
}

std::wstring TrimSpaces(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}
