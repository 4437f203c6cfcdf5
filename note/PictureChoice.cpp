#include "note/PictureChoice.h"

#include "toolkit/FileDialogs.h"
#include "toolkit/MerlaMessageBox.h"

namespace {
constexpr wchar_t kPictureFilter[] = L"png gif jpg bmp 格式文件\0*.PNG;*.gif;*.jpg;*.bmp\0\0";
constexpr wchar_t kPictureDialogTitle[] = L"选择一个图像文件";
constexpr wchar_t kReplaceQuestion[] = L"存在同名文件，是否替换？";
constexpr wchar_t kCopyFailed[] = L"图片复制失败，图片没有更换。";
} // namespace

bool AskPictureFile(HWND owner, std::wstring& path) {
    return AskOpenFileName(owner, kPictureFilter, kPictureDialogTitle, path);
}

bool CopyPictureIn(HWND owner, const std::wstring& path, const std::wstring& target) {
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ShowMessageBox(owner, kReplaceQuestion, kMbYes | kMbNo) != kMbYes)
        return false;
    if (CopyFileW(path.c_str(), target.c_str(), FALSE))
        return true;
    ShowMessageBox(owner, kCopyFailed, kMbOk, kPictureCopyFailedBoxId);
    return false;
}
