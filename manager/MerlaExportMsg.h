#pragma once
// The export's progress dialog: a message box with a single Cancel button whose text area is a
// read-only rich edit telling how far the export got. Its window is where the export thread sends
// its progress and its questions; they are answered here, on the GUI thread, while the dialog runs
// modal. Step = total closes it with OK; any other end stops the export.
#include "manager/ExportRequest.h"
#include "richtext/LRichEdit.h"
#include "toolkit/MerlaMessageBox.h"

#include <memory>
#include <string>

class MerlaExportMsg : public MerlaMessageBox {
public:
    static constexpr int kWidth = 300, kHeight = 120;
    // The text area: this far in from the client's left edge, below the caption strip, and clear of
    // the button row at the bottom.
    static constexpr int kTextLeft = 14, kTextTop = 3, kTextBottomGap = 36;
    static constexpr wchar_t kMessage[] = L"正在导出...";
    static constexpr wchar_t kStartText[] = L"开始导出...";
    static constexpr wchar_t kPicture[] = L"merla.png";

    explicit MerlaExportMsg(std::shared_ptr<ExportRequest> request);
    ~MerlaExportMsg() override;

    // Also starts the export thread, now that there is a window to report to.
    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    // The frame only: the rich edit shows the text.
    LSurface RenderContent() override;

    // What the edit shows for a progress step (total = notes + 2); empty for the closing step.
    static std::wstring ProgressText(int step, int total);
    bool Started() const { return started_; }
    LRichEdit& Text() { return text_; }

    // Test seam: called on the GUI thread after each progress step has been shown.
    using ProgressHook = void (*)(MerlaExportMsg& dialog, int step, int total);
    static void SetProgressHook(ProgressHook hook);

private:
    void ShowText(const std::wstring& text);

    std::shared_ptr<ExportRequest> request_;
    ExportCollector collector_;
    LRichEdit text_;
    bool started_ = false;
};
