#include "manager/ExportRequest.h"

#include "toolkit/FileDialogs.h"
#include "app/base/NoteRegistries.h"
#include "manager/MerlaExportMsg.h"
#include "note/LRichEditNI.h"
#include "note/MerlaItem.h"
#include "note/NotePicture.h"
#include "note/NoteRichContent.h"
#include "richtext/GlyphDocument.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LGlyphTChar.h"
#include "richtext/RtfFileWriter.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"
#include "toolkit/MerlaMessageBox.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

namespace {

constexpr int kPathChars = MAX_PATH;
constexpr wchar_t kRichFilter[] = L"rtf 格式文件\0*.RTF\0\0";
constexpr wchar_t kRichTitle[] = L"保存为富文本...";
constexpr wchar_t kRichExtension[] = L".rtf";
constexpr wchar_t kTextFilter[] = L"txt 格式文件\0*.TXT\0\0";
constexpr wchar_t kTextTitle[] = L"保存文本...";
constexpr wchar_t kTextExtension[] = L".txt";
constexpr wchar_t kFolderTitle[] = L"选择一个文件夹...";
constexpr wchar_t kPictureExtension[] = L".png";
constexpr wchar_t kCarriageReturn = L'\r';
constexpr wchar_t kMaskChar = L'*';
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
// The extension's dot stands this far from the end of a file name that has one.
constexpr size_t kExtensionLength = 4;

ExportAskFn g_ask = nullptr;

int Ask(HWND owner, const std::wstring& text, int flags) {
    return g_ask ? g_ask(owner, text, flags) : ShowMessageBox(owner, text, flags);
}

bool IsExportCommand(int command) {
    return command == ExportCmd::kRichText || command == ExportCmd::kPlainText ||
           command == ExportCmd::kPictures;
}

// The file bytes of exported plain text: CR LF line ends in the system's code page, or UTF-8 with a
// byte-order mark when that code page cannot hold all of it.
std::string TextFileBytes(const std::wstring& text) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 8);
    for (wchar_t c : text) {
        if (c == kCarriageReturn)
            lines += L"\r\n";
        else
            lines.push_back(c);
    }
    bool lossy = false;
    std::string bytes = WideToCodePage(0, lines, &lossy);
    if (lossy || CodePageToWide(0, bytes) != lines)
        bytes = kUtf8Mark + WideToUtf8(lines);
    return bytes;
}

bool HidesChar(const LGlyph& g, bool masked) {
    return (masked || g.Masked()) && g.IsChar() && !g.IsParagraphEnd() && !g.IsTab();
}

std::wstring AskSaveFile(HWND owner, const wchar_t* filter, const wchar_t* title, const wchar_t* extension) {
    std::wstring path;
    if (!AskSaveFileName(owner, filter, title, path))
        return {};
    return WithExtension(path, extension);
}

std::wstring AskFolder(HWND owner) {
    // The folder browser needs COM on this thread; the program may not have started it.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring folder;
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = kFolderTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
        wchar_t path[kPathChars] = L"";
        if (SHGetPathFromIDListW(list, path))
            folder = path;
        CoTaskMemFree(list);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return folder;
}

} // namespace

void SetExportAskHook(ExportAskFn fn) {
    g_ask = fn;
}

std::wstring WithExtension(std::wstring path, const std::wstring& extension) {
    if (path.size() < kExtensionLength || path[path.size() - kExtensionLength] != L'.')
        path += extension;
    return path;
}

// ---------------------------------------------------------------------------------------------
// ExportRequest: the part both threads share

ExportRequest::ExportRequest(int command, std::wstring folder, const std::set<std::wstring>& names,
                             std::wstring target)
    : command_(command), folder_(std::move(folder)), names_(names.begin(), names.end()),
      target_(std::move(target)), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!folder_.empty() && folder_.back() != L'\\')
        folder_ += L'\\';
}

std::wstring ExportRequest::NoteFolderOf(size_t index) const {
    if (index >= names_.size() || !IsPlainFileName(names_[index]))
        return {};
    return folder_ + names_[index] + L"\\";
}

std::wstring ExportRequest::PictureTarget(const std::wstring& name) const {
    std::wstring folder = target_;
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + name + kPictureExtension;
}

std::vector<std::wstring> ExportRequest::ExistingTargets() const {
    std::vector<std::wstring> existing;
    if (command_ != ExportCmd::kPictures) {
        if (FileExists(target_))
            existing.push_back(target_);
        return existing;
    }
    for (const std::wstring& name : names_) {
        if (IsPlainFileName(name) && FileExists(PictureTarget(name)))
            existing.push_back(PictureTarget(name));
    }
    return existing;
}

void ExportRequest::PutAnswer(std::string bytes, std::wstring text) {
    std::lock_guard<std::mutex> hold(answer_lock_);
    answer_bytes_ = std::move(bytes);
    answer_text_ = std::move(text);
}

void ExportRequest::TakeAnswer(std::string& bytes, std::wstring& text) {
    std::lock_guard<std::mutex> hold(answer_lock_);
    bytes = std::move(answer_bytes_);
    text = std::move(answer_text_);
    answer_bytes_.clear();
    answer_text_.clear();
}

bool ExportRequest::Start(const std::shared_ptr<ExportRequest>& request) {
    if (!request || !request->done_)
        return false;
    auto* held = new std::shared_ptr<ExportRequest>(request);
    FileHandle thread(CreateThread(nullptr, 0, &ExportRequest::ThreadMain, held, 0, nullptr));
    if (!thread) {
        delete held;
        return false;
    }
    // Nobody waits for the thread by its handle: it ends on its own, and Finished tells when.
    return true;
}

bool ExportRequest::Finished() const {
    return done_ && WaitForSingleObject(done_.get(), 0) == WAIT_OBJECT_0;
}

DWORD WINAPI ExportRequest::ThreadMain(void* param) {
    std::unique_ptr<std::shared_ptr<ExportRequest>> held(static_cast<std::shared_ptr<ExportRequest>*>(param));
    std::shared_ptr<ExportRequest> request = *held;
    held.reset();
    request->Run();
    return 0;
}

bool ExportRequest::Send(UINT message, WPARAM wp, LPARAM lp) {
    HWND dialog = Dialog();
    if (!dialog || !IsWindow(dialog))
        return false;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(dialog, message, wp, lp, SMTO_NORMAL | SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             &answer))
        return false;
    return answer != 0;
}

void ExportRequest::Write(const std::wstring& path, const std::string& bytes) {
    if (!bytes.empty() && WriteFileAtomic(path, bytes))
        ++files_written_;
}

void ExportRequest::Run() {
    Sleep(kStartDelayMs);
    const int n = static_cast<int>(names_.size());
    const int total = n + 2;
    std::string bytes;
    std::wstring text;
    bool going = true;
    if (command_ == ExportCmd::kPictures) {
        for (int k = 1; k <= n && going; ++k) {
            going = !Cancelled() && Progress(k, total) && Send(ExportMsg::kCollectNote, k - 1, 0);
            if (!going)
                break;
            TakeAnswer(bytes, text);
            Write(PictureTarget(names_[k - 1]), bytes);
        }
        going = going && !Cancelled() && Progress(n, total);
    } else {
        std::wstring all;
        for (int i = 0; i < n && going; ++i) {
            going = !Cancelled() && Progress(i + 1, total) && Send(ExportMsg::kCollectNote, i, 0);
            if (going) {
                TakeAnswer(bytes, text);
                all += text;
            }
        }
        going = going && !Cancelled() && Progress(n + 1, total);
        if (going && command_ == ExportCmd::kRichText) {
            going = Send(ExportMsg::kFinishDocument, 0, 0);
            TakeAnswer(bytes, text);
        } else if (going) {
            bytes = all.empty() ? std::string() : TextFileBytes(all);
        }
        // A stop that came while the document was being made still leaves no file.
        if (going && !Cancelled())
            Write(target_, bytes);
    }
    if (going && !Cancelled())
        Progress(total, total);
    SetEvent(done_.get());
}

// ---------------------------------------------------------------------------------------------
// ExportCollector: the GUI thread's part

ExportCollector::ExportCollector(std::shared_ptr<ExportRequest> request)
    : request_(std::move(request)), document_(std::make_unique<GlyphDocument>()) {}

ExportCollector::~ExportCollector() = default;

bool ExportCollector::CollectNote(size_t index) {
    const std::vector<std::wstring>& names = request_->Names();
    if (index >= names.size())
        return false;
    const std::wstring& name = names[index];
    const std::wstring folder = request_->NoteFolderOf(index);
    if (folder.empty()) {
        request_->PutAnswer({}, {});
        return true;
    }
    if (request_->Command() == ExportCmd::kPictures) {
        std::string png;
        NotePicturePng(folder, name, png);
        request_->PutAnswer(std::move(png), {});
        return true;
    }
    std::wstring text;
    if (MerlaItem* note = FindOpenNote(name)) {
        // The note's rich items in the order of its list (all items keep that order among them).
        for (LWnd* item : note->AllItems()) {
            if (auto* box = dynamic_cast<LRichEditNI*>(item))
                AddBox(*box, box->IsProtected(), text);
        }
    } else {
        const NoteRichContent content(folder, name);
        for (const StoredRichBox& box : content.Boxes()) {
            GlyphDocument doc(box.rect.right - box.rect.left, box.rect.bottom - box.rect.top);
            if (content.Load(box, doc, box.rect.right))
                AddBox(doc, box.masked, text);
        }
    }
    request_->PutAnswer({}, std::move(text));
    return true;
}

void ExportCollector::AddBox(const RtfLoadTarget& box, bool masked, std::wstring& text) {
    if (box.RowCount() == 0)
        return;
    const bool rich = request_->Command() == ExportCmd::kRichText;
    for (int r = 0; r < box.RowCount(); ++r) {
        const LGlyphEditRow* source = box.Row(r);
        LGlyphEditRow* row = rich ? document_->CreateRow(document_->RowCount()) : nullptr;
        if (row) {
            row->SetLineGap(source->LineGap());
            if (source->Icon()) {
                row->SetIconSize(source->IconSize());
                row->SetIcon(static_cast<LGlyphImage*>(source->Icon()->Clone()));
            }
        }
        std::vector<LGlyph*> copies;
        for (const LGlyph* g : source->Children()) {
            const bool hidden = HidesChar(*g, masked);
            if (!rich) {
                text += hidden ? std::wstring(1, kMaskChar) : g->GetText();
                continue;
            }
            LGlyph* copy = nullptr;
            if (hidden) {
                copy = LGlyphTChar::Create(kMaskChar, g->GetFont(), nullptr, g->GetColor(), g->GetAlpha());
                copy->SetBackColor(g->GetBackColor());
            } else {
                copy = g->Clone();
            }
            if (copy)
                copies.push_back(copy);
        }
        if (row)
            row->InsertGlyphs(row->Count(), copies);
    }
    // Each item ends with a paragraph end of its own.
    if (!rich) {
        text.push_back(kCarriageReturn);
        return;
    }
    LGlyph* end = LGlyphTChar::Create(kParagraphEnd, box.CurrentFont(), nullptr, box.CurrentColor(),
                                      box.CurrentAlpha());
    end->SetBackColor(box.CurrentHighlight());
    LGlyphEditRow* last = document_->Row(document_->RowCount() - 1);
    last->InsertGlyphs(last->Count(), {end});
}

bool ExportCollector::FinishDocument() {
    request_->PutAnswer(RtfBytes(document_->Glyphs(), false, {}), {});
    return true;
}

// ---------------------------------------------------------------------------------------------
// Entry points

ExportOutcome RunExportTo(HWND owner, int command, const std::wstring& group,
                          const std::set<std::wstring>& names, const std::wstring& target,
                          std::shared_ptr<ExportRequest>* started) {
    if (names.empty() || target.empty() || !IsExportCommand(command))
        return kExportNotStarted;
    auto request = std::make_shared<ExportRequest>(command, GroupFolderFor(group), names, target);
    if (!request->ExistingTargets().empty() &&
        Ask(owner, ExportRequest::kReplaceQuestion, kMbYes | kMbNo) != kMbYes)
        return kExportDeclined;
    INT_PTR result = 0;
    bool ran = false;
    {
        MerlaExportMsg dialog(request);
        result = dialog.DoModal(0, owner);
        ran = dialog.Started();
    }
    request->SetDialog(nullptr);
    if (result != kMbOk)
        request->Cancel();
    if (!ran)
        return kExportNotStarted;
    if (started)
        *started = request;
    return result == kMbOk ? kExportCompleted : kExportStopped;
}

ExportOutcome RunExport(HWND owner, int command, const std::wstring& group,
                        const std::set<std::wstring>& names) {
    if (names.empty() || !IsExportCommand(command))
        return kExportNotStarted;
    std::wstring target;
    if (command == ExportCmd::kRichText)
        target = AskSaveFile(owner, kRichFilter, kRichTitle, kRichExtension);
    else if (command == ExportCmd::kPlainText)
        target = AskSaveFile(owner, kTextFilter, kTextTitle, kTextExtension);
    else
        target = AskFolder(owner);
    if (target.empty())
        return kExportNotStarted;
    return RunExportTo(owner, command, group, names, target);
}
