#pragma once
// Export of the selected notes of a group: one rich text file, one plain text file, or one PNG
// picture per note in a folder. A background thread walks the notes while the modal progress dialog
// (MerlaExportMsg) shows how far it got. The thread never touches windows, glyphs or the process-wide
// rich text registries: it asks the dialog's window, one note at a time, for what the GUI thread
// gathers (ExportCollector), and writes the files itself. The request is shared by both sides, so
// neither can free it under the other, and closing the dialog stops the thread at the next note.
//
//   page:   RunExport(manager, ExportCmd::kPlainText, group, selected)   // dialogs, then modal
//   thread: progress (i + 1, n + 2) -> ask note i -> ... -> progress (n + 1, n + 2) -> write
//           -> progress (n + 2, n + 2), which closes the dialog with OK
#include "manager/MxMiMenuExport.h"
#include "store/xml/FileHandle.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class GlyphDocument;
class RtfLoadTarget;

// Messages of the export thread to the progress dialog; each is sent and answered on the GUI thread.
namespace ExportMsg {
inline constexpr UINT kProgress = 50025;       // wParam step, lParam total (notes + 2)
inline constexpr UINT kCollectNote = 50040;    // wParam index of the note; answers 1 when gathered
inline constexpr UINT kFinishDocument = 50041; // the rich text of all notes gathered; answers 1
} // namespace ExportMsg

enum ExportOutcome : int {
    kExportNotStarted = 0, // no notes, no target chosen, or the thread could not start
    kExportDeclined,       // the user kept the existing file(s): nothing written
    kExportCompleted,      // the progress dialog closed with OK
    kExportStopped,        // the progress dialog was closed before the end
};

class ExportRequest {
public:
    static constexpr DWORD kStartDelayMs = 1000;
    // A GUI thread that answers nothing for this long is taken as gone.
    static constexpr UINT kAnswerTimeoutMs = 60000;
    static constexpr wchar_t kReplaceQuestion[] = L"目标文件已经存在，是否替换？";

    // folder: the base folder of the group's notes (ends with "\"). names in any order; they are
    // exported in ascending order. target: the file (rich or plain text) or the folder (pictures).
    ExportRequest(int command, std::wstring folder, const std::set<std::wstring>& names, std::wstring target);

    int Command() const { return command_; }
    const std::wstring& Folder() const { return folder_; }
    const std::vector<std::wstring>& Names() const { return names_; }
    const std::wstring& Target() const { return target_; }
    // The note's folder, or empty for a name that is not a plain folder name.
    std::wstring NoteFolderOf(size_t index) const;
    // Target folder + "\" + name + ".png".
    std::wstring PictureTarget(const std::wstring& name) const;
    // The files the export would write that exist already.
    std::vector<std::wstring> ExistingTargets() const;

    // The progress dialog's window; null once it is closing.
    void SetDialog(HWND dialog) { dialog_.store(dialog); }
    HWND Dialog() const { return dialog_.load(); }
    void Cancel() { cancel_.store(true); }
    bool Cancelled() const { return cancel_.load(); }

    // The GUI thread's answer to the last question; the thread takes it.
    void PutAnswer(std::string bytes, std::wstring text);
    void TakeAnswer(std::string& bytes, std::wstring& text);

    // Starts the thread, which holds the request until it ends.
    static bool Start(const std::shared_ptr<ExportRequest>& request);
    bool Finished() const;
    int FilesWritten() const { return files_written_.load(); }

private:
    static DWORD WINAPI ThreadMain(void* param);
    void Run();
    // False when the export is to stop: cancelled, the dialog gone, or no answer.
    bool Send(UINT message, WPARAM wp, LPARAM lp);
    bool Progress(int step, int total) { return Send(ExportMsg::kProgress, step, total); }
    void Write(const std::wstring& path, const std::string& bytes);

    int command_;
    std::wstring folder_;
    std::vector<std::wstring> names_;
    std::wstring target_;
    std::atomic<HWND> dialog_{nullptr};
    std::atomic<bool> cancel_{false};
    std::atomic<int> files_written_{0};
    std::mutex answer_lock_;
    std::string answer_bytes_;
    std::wstring answer_text_;
    FileHandle done_;
};

// The GUI thread's side: gathers one note at a time from its open window or, for a closed note, from
// its folder without a window, and keeps the rich text of all notes gathered so far.
class ExportCollector {
public:
    explicit ExportCollector(std::shared_ptr<ExportRequest> request);
    ~ExportCollector();
    ExportCollector(const ExportCollector&) = delete;
    ExportCollector& operator=(const ExportCollector&) = delete;

    // Rich text: appended to the document; plain text: answered; picture: its PNG answered.
    bool CollectNote(size_t index);
    // Answers the RTF of everything gathered (empty when nothing was).
    bool FinishDocument();

private:
    // One box's rows, each row followed by its glyphs (hidden characters as "*"), then a paragraph
    // end in the box's current attributes.
    void AddBox(const RtfLoadTarget& box, bool masked, std::wstring& text);

    std::shared_ptr<ExportRequest> request_;
    std::unique_ptr<GlyphDocument> document_;
};

// Which notes and where: the file dialogs (save, or folder for pictures), the replace question, the
// progress dialog modal over owner and the thread. names: the selected notes of the group.
ExportOutcome RunExport(HWND owner, int command, const std::wstring& group,
                        const std::set<std::wstring>& names);
// The same with the target given (file or folder), without the file dialogs. started, when given,
// receives the request once its thread runs.
ExportOutcome RunExportTo(HWND owner, int command, const std::wstring& group,
                          const std::set<std::wstring>& names, const std::wstring& target,
                          std::shared_ptr<ExportRequest>* started = nullptr);
// A chosen file name without its extension gets it: shorter than four characters, or no "." fourth
// from the end.
std::wstring WithExtension(std::wstring path, const std::wstring& extension);

// Test seam: the replace question answered without a window (the bit of the button pressed).
using ExportAskFn = int (*)(HWND owner, const std::wstring& text, int flags);
void SetExportAskHook(ExportAskFn fn);
