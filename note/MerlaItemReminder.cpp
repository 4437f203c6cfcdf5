// The note as its own reminder: music, scrolling label, GIF paper, top-most, centred or wobbling,
// until the user stops it.
#include "note/MerlaItem.h"

#include "store/xml/FileBytes.h"
#include "note/MerlaMenuStopPrompt.h"
#include "reminder/CPromptFile.h"
#include "reminder/ReminderStopStamps.h"
#include "store/NoteRecord.h"

namespace {

constexpr wchar_t kStyleTopMost[] = L"1";
constexpr wchar_t kStyleShake[] = L"2";
constexpr wchar_t kStyleCentre[] = L"4";

bool HasFile(const std::wstring& folder, const std::wstring& name) {
    return IsPlainFileName(name) && FileExists(folder + name);
}

} // namespace

void MerlaItem::StopReminderSound() {
    sound_.Stop();
    reminder_label_.StopScrolling();
    if (reminder_label_.GetHandle())
        reminder_label_.Show(SW_HIDE);
}

void MerlaItem::StartReminder() {
    const std::wstring folder = Folder();
    PromptActions actions;
    if (CPromptFile(folder).ReadActions(actions)) {
        ReminderStopStamps::Remove(handle_);
        if (actions.has_music) {
            // Only a file in the note's own folder is played: the editor copied it there.
            if (HasFile(folder, actions.music.name))
                sound_.Play(folder + actions.music.name);
            const std::wstring& shown = actions.music.path.empty() ? actions.music.name : actions.music.path;
            if (EnsureReminderLabel()) {
                SetWindowTextW(reminder_label_.GetHandle(), shown.c_str());
                PlaceReminderLabel();
                reminder_label_.Show(SW_SHOWNA);
                reminder_label_.StartScrolling();
            }
        }
        if (HasFile(folder, actions.gif)) {
            if (!gif_name_.empty())
                gif_.RemovePicture(gif_name_);
            gif_.AddPicture(folder, actions.gif, handle_);
            gif_name_ = actions.gif;
            PaintBackground();
        }
        for (const PromptLabel& style : actions.styles) {
            if (style.value == kStyleTopMost) {
                SetForegroundWindow(handle_);
                SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
            } else if (style.value == kStyleShake) {
                shake_step_ = 0;
                SetTimer(handle_, kShakeTimerId, kShakeFrameMs, nullptr);
            } else if (style.value == kStyleCentre) {
                CenterOnCursorMonitor();
            }
        }
    }
    reminding_ = true;
    if (Redraw())
        Present();
}

void MerlaItem::StopReminder() {
    KillTimer(handle_, kShakeTimerId);
    shake_step_ = 0;
    reminding_ = false;
    StopReminderSound();
    // The paper as the record has it; no file is deleted.
    std::wstring bkimage;
    NoteRecordReader stored(Record());
    stored.ReadText(NoteKey::kBkImage, bkimage);
    if (!gif_name_.empty() && gif_name_ != bkimage) {
        gif_.RemovePicture(gif_name_);
        gif_name_.clear();
    }
    SetBackground(bkimage, false);
    SetWindowPos(handle_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
    int top_most = 0, to_desk = 0;
    stored.ReadInt(NoteKey::kTopMost, top_most);
    stored.ReadInt(NoteKey::kToDesk, to_desk);
    top_most_ = top_most != 0 && to_desk == 0;
    to_desk_ = to_desk != 0;
    if (to_desk_)
        SetDesktopEmbed(true);
    else if (top_most_)
        SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
    LoadRect();
    if (Redraw())
        Present();
    ReminderStopStamps::SetNow(handle_);
}

void MerlaItem::BuildShakeTable(const RECT& client, double angle_degrees) {
    shake_ =
        ::BuildShakeTable(ShakeRect{client.left, client.top, client.right, client.bottom}, angle_degrees);
    if (shake_step_ >= static_cast<int>(shake_.size()))
        shake_step_ = 0;
}

void MerlaItem::OnShakeTimer() {
    Present();
    if (shake_step_ == 0)
        SetTimer(handle_, kShakeTimerId, kShakeFrameMs, nullptr);
    ++shake_step_;
    if (shake_step_ >= static_cast<int>(shake_.size())) {
        shake_step_ = 0;
        SetTimer(handle_, kShakeTimerId, kShakeRestMs, nullptr);
    }
}

bool MerlaItem::EnsureReminderLabel() {
    if (!reminder_label_.GetHandle())
        reminder_label_.Create(0, L"", 0, WS_CHILD, 0, 0, 1, 1, handle_);
    return reminder_label_.GetHandle() != nullptr;
}

void MerlaItem::PlaceReminderLabel() {
    if (!reminder_label_.GetHandle())
        return;
    const RECT rc = ClientRect();
    MoveWindow(reminder_label_.GetHandle(), 0, std::max<int>(0, rc.bottom - kReminderLabelHeight), rc.right,
               std::min<int>(kReminderLabelHeight, rc.bottom), FALSE);
}

void MerlaItem::OpenStopMenu(int screen_x, int screen_y) {
    if (MerlaMenuStopPrompt* menu = MerlaMenuStopPrompt::Make(handle_))
        menu->PopupAt(screen_x, screen_y);
}
