#include "manager/MerlaExportMsg.h"

#include <algorithm>

namespace {

constexpr wchar_t kCaption[] = L"Velin";
constexpr wchar_t kStepFormat[] = L"正在导出，已完成 %d/%d...";
constexpr wchar_t kFinishingText[] = L"正在完成导出...";
// The two steps beyond the notes: finishing the file, and closing.
constexpr int kExtraSteps = 2;
constexpr int kTextChars = 128;

MerlaExportMsg::ProgressHook g_progress_hook = nullptr;

} // namespace

void MerlaExportMsg::SetProgressHook(ProgressHook hook) {
    g_progress_hook = hook;
}

MerlaExportMsg::MerlaExportMsg(std::shared_ptr<ExportRequest> request)
    : MerlaMessageBox(kMbCancel, kCaption, kMessage, kHeight, kWidth), request_(request),
      collector_(std::move(request)) {
    SetObjectName(L"MerlaExportMsg");
    SetTitleIcon(kPicture);
}

MerlaExportMsg::~MerlaExportMsg() {
    request_->SetDialog(nullptr);
}

std::wstring MerlaExportMsg::ProgressText(int step, int total) {
    if (step >= total)
        return {};
    if (step == total - 1)
        return kFinishingText;
    wchar_t text[kTextChars] = {};
    wsprintfW(text, kStepFormat, step, total - kExtraSteps);
    return text;
}

bool MerlaExportMsg::OnCreate() {
    const bool ok = MerlaMessageBox::OnCreate();
    const RECT rc = ClientRect();
    const int left = rc.left + kTextLeft;
    const int top = caption_height_ + margin_ + kTextTop;
    const int width = std::max<int>(rc.right - left, 1);
    const int height = std::max<int>(rc.bottom - kTextBottomGap - top, 1);
    text_.SetReadOnly(true);
    text_.SetWrap(true);
    if (text_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, left, top, width, height, handle_))
        text_.InsertText(kStartText, 0, 0, false);
    if (Redraw())
        Present();
    request_->SetDialog(handle_);
    started_ = ExportRequest::Start(request_);
    if (!started_) {
        request_->SetDialog(nullptr);
        EndDialog(handle_, kMbCancel);
    }
    return ok;
}

LSurface MerlaExportMsg::RenderContent() {
    return MerlaCaption::RenderContent();
}

void MerlaExportMsg::ShowText(const std::wstring& text) {
    if (!text_.GetHandle())
        return;
    text_.Clear();
    text_.InsertText(text, 0, 0, false);
}

LRESULT MerlaExportMsg::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case ExportMsg::kProgress: {
        const int step = static_cast<int>(wp), total = static_cast<int>(lp);
        if (step >= total) {
            OnOk();
            return 1;
        }
        ShowText(ProgressText(step, total));
        if (g_progress_hook)
            g_progress_hook(*this, step, total);
        return 1;
    }
    case ExportMsg::kCollectNote:
        return collector_.CollectNote(static_cast<size_t>(wp)) ? 1 : 0;
    case ExportMsg::kFinishDocument:
        return collector_.FinishDocument() ? 1 : 0;
    case WM_DESTROY:
        // The thread stops asking from here on.
        request_->SetDialog(nullptr);
        break;
    default:
        break;
    }
    return MerlaMessageBox::WindowProc(message, wp, lp);
}
