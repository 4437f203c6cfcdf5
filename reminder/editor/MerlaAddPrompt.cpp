#include "reminder/editor/MerlaAddPrompt.h"

#include "app/base/UniqueStamp.h"
#include "reminder/CDateTime.h"
#include "reminder/ChosenExecFiles.h"
#include "reminder/LunarCalendar.h"
#include "reminder/editor/MerlaShowPrompt.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MerlaMessageBox.h"
#include "toolkit/pickers/PickerLook.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr int kRefuseBoxId = 30803;

struct Place {
    int x, y, width;
};

// Rows of the palette.
constexpr Place kValuePlaces[] = {{7, 7, 57}, {79, 7, 57}, {7, 39, 57}, {79, 39, 57}, {151, 39, 73}};
constexpr Place kLabelPlaces[] = {{7, 71, 42},   {61, 71, 42}, {115, 71, 42}, {169, 71, 42},
                                  {223, 71, 42}, {7, 103, 42}, {61, 103, 42}, {7, 135, 42},
                                  {61, 135, 42}, {7, 167, 42}, {61, 167, 42}, {115, 167, 42}};
constexpr Place kPickerPlaces[] = {{7, 199, 166}, {7, 221, 128}, {7, 243, 148}};

constexpr const wchar_t* kLabelTexts[] = {L"周一", L"周二", L"周三", L"周四", L"周五", L"周六",
                                          L"周日", L"一次", L"农历", L"置顶", L"居中", L"晃动"};
constexpr int kStyleValues[] = {1, 4, 2}; // 置顶, 居中, 晃动
constexpr const wchar_t* kPickerTexts[] = {L"添加一个要执行的文件", L"设置播放的音乐", L"显示为一个gif动画"};
constexpr const wchar_t* kPickerPictures[] = {L"add.png", L"music.png", L"images.png"};
constexpr const wchar_t* kUnits[] = {L"分", L"时", L"日", L"月", L"年"};
constexpr PromptList kValueLists[] = {PromptList::kMinute, PromptList::kHour, PromptList::kDay,
                                      PromptList::kMonth, PromptList::kYear};

constexpr wchar_t kExecFilter[] = L"所有文件(*.*)\0*.*\0";
constexpr wchar_t kMusicFilter[] = L"wav,mp3 文件(*.wav;*.mp3)\0*.wav;*.mp3\0";
constexpr wchar_t kGifFilter[] = L"gif 文件(*.gif)\0*.gif\0";

bool AskWithDialog(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& path) {
    return AskOpenFileName(owner, filter, title, path);
}

MerlaAddPrompt::FileAsker& Asker() {
    static MerlaAddPrompt::FileAsker asker = AskWithDialog;
    return asker;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A copy into the note folder; the chosen file may already be that copy.
bool CopyInto(const std::wstring& source, const std::wstring& target) {
    return SamePath(source, target) || CopyFileW(source.c_str(), target.c_str(), FALSE);
}

bool FindGroup(const std::wstring& folder, const std::wstring& identity, PromptGroup& out) {
    std::vector<PromptGroup> groups;
    CPromptFile(folder).ReadGroups(groups);
    for (PromptGroup& g : groups)
        if (g.identity == identity) {
            out = std::move(g);
            return true;
        }
    return false;
}

bool IsLunar(const PromptGroup& g) {
    return g.has_calendar && g.calendar.value == kLunarCalendarValue;
}

int LatestYear(const PromptGroup& g) {
    int latest = 0;
    for (const PromptLabel& y : g.lists[static_cast<int>(PromptList::kYear)])
        latest = std::max(latest, static_cast<int>(std::wcstol(y.value.c_str(), nullptr, 10)));
    return latest;
}

std::wstring LunarLimitMessage() {
    return L"农历提醒只能设置到" + std::to_wstring(kLunarLastYear) + L"年，请选择" +
           std::to_wstring(kLunarLastYear) + L"年以前的年份。";
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaBtAPLabel

MerlaBtAPLabel::MerlaBtAPLabel(std::wstring text) : MerlaBt({}, std::move(text)) {
    SetObjectName(L"MerlaBtAPLabel");
}

LSurface MerlaBtAPLabel::RenderContent() {
    LSurface s = MerlaBt::RenderContent();
    if (s)
        FrameRect(s, 0, 0, s.width(), s.height(), kThemeColor);
    return s;
}

// ---------------------------------------------------------------------------------------------
// MerlaListBoxAP

MerlaListBoxAP::MerlaListBoxAP() : MerlaPickList(L"MerlaListBoxAP", L"values", L"item") {}

LRESULT MerlaListBoxAP::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_MOUSEACTIVATE)
        return PickerPopup::kMouseActivateAnswer;
    bool closed = false;
    LWnd* new_focus = nullptr;
    if (popup_.Handle(message, wp, lp, closed, new_focus) && message != WM_ACTIVATEAPP)
        return 0;
    return MerlaPickList::WindowProc(message, wp, lp);
}

void MerlaListBoxAP::OnClick(WPARAM keys, int x, int y) {
    const bool on_row = RowAt(x, y) >= 0;
    MerlaPickList::OnClick(keys, x, y);
    if (on_row)
        popup_.Close();
}

bool MerlaListBoxAP::OnKillFocus(LWnd* new_focus) {
    const bool result = MerlaListBox::OnKillFocus(new_focus);
    popup_.CloseUnlessInside(new_focus);
    return result;
}

// ---------------------------------------------------------------------------------------------
// MerlaAddPrompt

MerlaAddPrompt::MerlaAddPrompt() {
    SetObjectName(L"MerlaPrompt");
    for (int i = 0; i < kLabelCount; ++i)
        labels_[static_cast<size_t>(i)].SetButtonText(kLabelTexts[i]);
    for (int i = 0; i < kPickerCount; ++i) {
        MerlaBt& b = pickers_[static_cast<size_t>(i)];
        b.SetButtonText(kPickerTexts[i]);
        b.SetIcon(kPickerPictures[i]);
    }
}

MerlaAddPrompt::~MerlaAddPrompt() = default;

void MerlaAddPrompt::SetFileAskHook(FileAsker asker) {
    Asker() = asker ? std::move(asker) : FileAsker(AskWithDialog);
}

std::wstring MerlaAddPrompt::SettingsPath() {
    return folder_ + kPromptFileName;
}

void MerlaAddPrompt::SetNote(const std::wstring& folder, const std::wstring& name) {
    folder_ = folder;
    name_ = name;
}

const wchar_t* MerlaAddPrompt::Unit(int value) {
    return value >= 0 && value < kValueCount ? kUnits[value] : L"";
}

std::vector<int> MerlaAddPrompt::ValueRows(int value, int current_year) {
    int first = 0, last = -1;
    switch (value) {
    case kMinute:
        first = 0, last = 59;
        break;
    case kHour:
        first = 0, last = 23;
        break;
    case kDay:
        first = 1, last = 31;
        break;
    case kMonth:
        first = 1, last = 12;
        break;
    case kYear:
        first = current_year - 1, last = std::max(kLunarLastYear, current_year + kYearsAhead);
        break;
    default:
        break;
    }
    std::vector<int> rows;
    for (int v = first; v <= last; ++v)
        rows.push_back(v);
    return rows;
}

HWND MerlaAddPrompt::Dialog() const {
    HWND parent = GetParent(handle_);
    return parent ? parent : handle_;
}

bool MerlaAddPrompt::OnCreate() {
    const bool ok = LWnd::OnCreate();
    CDateTime start = CDateTime::Now();
    start = start.Add(0, 0, 10, 0);
    const int numbers[] = {start.minute, start.hour, start.day, start.month, start.year};
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    for (int i = 0; i < kValueCount; ++i) {
        MerlaBtLB& b = values_[static_cast<size_t>(i)];
        b.SetButtonText(std::to_wstring(numbers[i]) + kUnits[i]);
        const Place& p = kValuePlaces[i];
        b.Create(kFirstValueId + i, L"", 0, kChild, p.x, p.y, p.width, kButtonHeight, handle_);
    }
    for (int i = 0; i < kLabelCount; ++i) {
        const Place& p = kLabelPlaces[i];
        labels_[static_cast<size_t>(i)].Create(kFirstLabelId + i, L"", 0, kChild, p.x, p.y, p.width,
                                               kButtonHeight, handle_);
    }
    for (int i = 0; i < kPickerCount; ++i) {
        const Place& p = kPickerPlaces[i];
        MerlaBt& b = pickers_[static_cast<size_t>(i)];
        b.SetLayout(MerlaBt::kLayoutCentred);
        b.Create(kFirstPickerId + i, L"", 0, kChild, p.x, p.y, p.width, kButtonHeight, handle_);
    }
    // Owned by the dialog, so it stays above it; nothing shows until it is first opened.
    list_.Create(kListId, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, WS_POPUP, 0, 0,
                 MerlaListBoxAP::kWidth, MerlaListBoxAP::kHeight, GetAncestor(handle_, GA_ROOT));
    list_.Subscribe(MerlaPickList::kRowChosen, handle_);
    return ok;
}

void MerlaAddPrompt::OnDestroy() {
    list_.ClosePopup();
    if (list_.GetHandle())
        DestroyWindow(list_.GetHandle());
    LWnd::OnDestroy();
}

void MerlaAddPrompt::OpenDropDown(int value) {
    if (value < 0 || value >= kValueCount)
        return;
    open_value_ = value;
    MerlaBtLB& b = values_[static_cast<size_t>(value)];
    RECT r = b.WindowRect();
    const int width = r.right - r.left;
    // Rows take the list's width when added: the list gets the button's width first.
    SetWindowPos(list_.GetHandle(), nullptr, 0, 0, width, MerlaListBoxAP::kHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    list_.RemoveAll();
    list_.VerticalBar().SetScrollPos(0); // every opening starts from the top, then shows the value
    const int current = static_cast<int>(std::wcstol(b.GetButtonText().c_str(), nullptr, 10));
    int selected = -1;
    const std::vector<int> rows = ValueRows(value, CDateTime::Now().year);
    for (size_t i = 0; i < rows.size(); ++i) {
        list_.AddItem(std::to_wstring(rows[i]));
        if (rows[i] == current)
            selected = static_cast<int>(i);
    }
    list_.SetSelectedIndex(selected);
    list_.OpenAt(r.left, r.bottom + 1, width, MerlaListBoxAP::kHeight);
    list_.EnsureItemVisible(selected);
    if (list_.Redraw())
        list_.Present();
}

void MerlaAddPrompt::OnValueChosen(int row) {
    if (open_value_ < 0 || row < 0 || row >= list_.GetItemCount())
        return;
    MerlaBtLB& b = values_[static_cast<size_t>(open_value_)];
    b.SetButtonText(list_.Rows()[static_cast<size_t>(row)].text + kUnits[open_value_]);
    if (b.Redraw())
        b.Present();
}

LRESULT MerlaAddPrompt::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MerlaBtLB::kArrowClicked) {
        OpenDropDown(static_cast<int>(wp) - kFirstValueId);
        return 0;
    }
    if (message == MerlaPickList::kRowChosen) {
        OnValueChosen(static_cast<int>(wp));
        return 0;
    }
    return LWnd::WindowProc(message, wp, lp);
}

LRESULT MerlaAddPrompt::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kButtonClicked) {
        OnButton(static_cast<int>(wp));
        return 0;
    }
    return LWnd::OnNotify(message, wp, lp);
}

void MerlaAddPrompt::Refuse(const wchar_t* message) {
    ShowMessageBox(Dialog(), message, kMbOk, kRefuseBoxId, kMessageWidth, kMessageHeight);
}

bool MerlaAddPrompt::AddValueLabel(int value, const std::wstring& identity) {
    const std::wstring text = values_[static_cast<size_t>(value)].GetButtonText();
    const int number = static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
    if (value == kYear && number > kLunarLastYear) {
        PromptGroup g;
        if (FindGroup(folder_, identity, g) && IsLunar(g)) {
            Refuse(LunarLimitMessage().c_str());
            return false;
        }
    }
    return CPromptFile(folder_, GetId()).AddTimeLabel(kValueLists[value], identity, text, number);
}

bool MerlaAddPrompt::SetLunar(const std::wstring& identity) {
    PromptGroup g;
    if (FindGroup(folder_, identity, g) && LatestYear(g) > kLunarLastYear) {
        Refuse(LunarLimitMessage().c_str());
        return false;
    }
    return CPromptFile(folder_, GetId()).SetCalendar(identity, kLunarCalendarText, kLunarCalendarValue);
}

void MerlaAddPrompt::PickExecFile() {
    std::wstring path;
    if (!Asker()(Dialog(), kExecFilter, L"选择一个文件", path))
        return;
    // Only what was picked here may ever run at a reminder.
    if (!ChosenExecFiles::Remember(path)) {
        Refuse(L"无法记录要执行的文件，没有添加。");
        return;
    }
    CPromptFile(folder_, GetId()).AddExecFile(FileNameOfPath(path), path);
}

void MerlaAddPrompt::PickMusic() {
    std::wstring path;
    if (!Asker()(Dialog(), kMusicFilter, L"选择一个音乐", path))
        return;
    const std::wstring name = FileNameOfPath(path);
    if (!CPromptFile::IsMusicName(name)) {
        Refuse(L"请选择一个 wav 或 mp3 文件。");
        return;
    }
    if (!CopyInto(path, folder_ + name)) {
        Refuse(L"音乐文件复制失败，提醒没有修改。");
        return;
    }
    CPromptFile(folder_, GetId()).SetMusic(name, path);
}

void MerlaAddPrompt::PickGif() {
    std::wstring path;
    if (!Asker()(Dialog(), kGifFilter, L"选择一个gif", path))
        return;
    const std::wstring copy = MakeUniqueStamp(GetId()) + kGifCopyMark + FileNameOfPath(path);
    if (!CopyFileW(path.c_str(), (folder_ + copy).c_str(), FALSE)) {
        Refuse(L"gif 文件复制失败，提醒没有修改。");
        return;
    }
    if (!CPromptFile(folder_, GetId()).SetGif(copy))
        DeleteFileW((folder_ + copy).c_str());
    PostMessageW(Dialog(), kPromptGifChosen, static_cast<WPARAM>(GetId()), 0);
}

void MerlaAddPrompt::OnButton(int id) {
    const bool value = id >= kFirstValueId && id < kFirstValueId + kValueCount;
    const bool label = id >= kFirstLabelId && id < kFirstLabelId + kLabelCount;
    const bool picker = id >= kFirstPickerId && id < kFirstPickerId + kPickerCount;
    if (!value && !label && !picker)
        return;
    identity_ = show_ ? show_->List().GetSelectedGroup() : std::wstring(kLegacyGroupIdentity);
    CPromptFile file(folder_, GetId());
    if (value) {
        AddValueLabel(id - kFirstValueId, identity_);
    } else if (label) {
        const int l = id - kFirstLabelId;
        if (l <= kSun)
            file.AddTimeLabel(PromptList::kWeek, identity_, kLabelTexts[l], l - kMon + 1);
        else if (l == kOnce)
            file.SetOnce(identity_, 1);
        else if (l == kLunar)
            SetLunar(identity_);
        else
            file.AddStyle(kLabelTexts[l], kStyleValues[l - kTop]);
    } else {
        switch (id - kFirstPickerId) {
        case kExecPicker:
            PickExecFile();
            break;
        case kMusicPicker:
            PickMusic();
            break;
        default:
            PickGif();
            return; // the preview reloads, not the list
        }
    }
    PostMessageW(Dialog(), kPromptChanged, static_cast<WPARAM>(GetId()), 0);
}
