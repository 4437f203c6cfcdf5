#pragma once
// The explanatory notices about notes, shown once more unless "不再提示" was ticked for their id.
namespace NoteNotice {
inline constexpr int kTemplateAdded = 20059;
inline constexpr int kHidden = 20060;
inline constexpr int kPassThroughSet = 20063;
inline constexpr int kMinimised = 20064;
inline constexpr int kDeleteBoxId = 30701;
inline constexpr int kTemplateNoticeWidth = 240;
inline constexpr int kNoticeWidth = 480;

inline constexpr wchar_t kTemplateAddedText[] = L"模板已添加！";
inline constexpr wchar_t kHiddenText[] =
    L"便签已隐藏，您可以通过右键便签或者托盘菜单中的管理 -- 显示便签，重新显示便签";
inline constexpr wchar_t kMinimisedText[] = L"便签已最小化，您可以通过右键托盘菜单中的显示便签重新显示！";
inline constexpr wchar_t kPassThroughText[] =
    L"便签已设置穿透，您可以通过右键托盘菜单中的还原鼠标穿透恢复便签！";
} // namespace NoteNotice
