#include "reminder/editor/MerlaPrompt.h"

#include "toolkit/MerlaMessageBox.h"

namespace {

constexpr wchar_t kNoMinuteQuestion[] =
    L"   存在没有具体分钟标签的时间组，\r\n该时间组提醒设置不能生效，\r\n确定要关闭吗？";

} // namespace

MerlaPrompt::MerlaPrompt(std::wstring folder, std::wstring name)
    : MerlaCaption(kWidth, kHeight), folder_(std::move(folder)), name_(std::move(name)) {
    SetObjectName(L"MerlaPrompt");
    SetTitle(L"提醒设置");
    SetTitleIcon(L"prompt.png");
}

std::wstring MerlaPrompt::SettingsPath() {
    return folder_ + kPromptFileName;
}

bool MerlaPrompt::OnCreate() {
    const bool ok = MerlaCaption::OnCreate();
    CenterOnCursorMonitor();
    const int y0 = caption_height_, m = margin_;
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    shown_label_.Create(0, L"已添加标签，鼠标放在标签上点击 \"×\" 可以删除标签：", 0, kChild, m + 7, y0 + 7,
                        220, 36, handle_);
    show_.SetNoteFolder(folder_);
    show_.Create(0, L"显示提醒标签", 0, kChild, m + 7, y0 + 43, 280, 500, handle_);
    add_.SetNote(folder_, name_);
    add_.Create(0, L"添加提醒标签", 0, kChild, m + 300, y0 + 43, 270, 500, handle_);
    add_label_.Create(0, L"添加提醒标签，点击文本标签添加到左侧：", 0, kChild, m + 300, y0 + 7, 260, 36,
                      handle_);
    show_.ReloadGroups();
    show_.ReloadGifPreview();
    add_.LinkGroupList(&show_);
    if (Redraw())
        Present();
    return ok;
}

LRESULT MerlaPrompt::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == kPromptChanged) {
        show_.ReloadGroups();
        if (Redraw())
            Present();
        return 0;
    }
    if (message == kPromptGifChosen) {
        show_.ReloadGifPreview();
        show_.ReloadGroups();
        if (Redraw())
            Present();
        return 0;
    }
    return MerlaCaption::WindowProc(message, wp, lp);
}

void MerlaPrompt::Close() {
    if (!show_.List().AllGroupsHaveMinute() &&
        ShowMessageBox(handle_, kNoMinuteQuestion, kMbOk | kMbCancel, kNoMinuteBoxId, kNoMinuteBoxWidth,
                       kNoMinuteBoxHeight) != kMbOk)
        return;
    MerlaCaption::Close();
}
