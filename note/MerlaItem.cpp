#include "note/MerlaItem.h"

#include "toolkit/MerlaDraw.h"

#include "app/base/NoteRegistries.h"
#include "app/base/PerfClock.h"
#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/SysConfig.h"
#include "app/base/UniqueStamp.h"
#include "note/LRichEditNI.h"
#include "note/MerlaItemImage.h"
#include "note/MerlaItemEdit.h"
#include "note/MerlaMenuNote.h"
#include "note/PictureChoice.h"
#include "note/NoteChildItem.h"
#include "reminder/editor/MerlaPrompt.h"
#include "store/xml/FileBytes.h"
#include "store/NoteRecord.h"
#include "store/NoteTemplate.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MerlaMessageBox.h"

#include <commdlg.h>
#include <gdiplus.h>
#include <objidl.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>

namespace {

constexpr UINT kToolkitCommand = LNotify::kCommand;
constexpr int kPathChars = 260;
constexpr wchar_t kDeleteQuestion[] = L"确定要删除这个便签吗？";

HWND MainWindow() {
    return LWnd::HandleFromId(LWndMoveResize::kMainWindowId);
}

void PostToMain(int command, LPARAM lp) {
    if (HWND main = MainWindow())
        PostMessageW(main, kToolkitCommand, static_cast<WPARAM>(command), lp);
}

} // namespace

int GroupListEntry(int command, int base, size_t count) {
    if (count == 0)
        return -1;
    return std::min(command - base - 1, static_cast<int>(count) - 1);
}

namespace {
std::map<std::wstring, MerlaItem::ChildItemMaker, std::less<>>& ChildItemMakers() {
    static std::map<std::wstring, MerlaItem::ChildItemMaker, std::less<>> makers{
        {NoteKey::kRichEdit, &LRichEditNI::MakeStored},
        {NoteKey::kItemImage, &MerlaItemImage::MakeStored},
        {NoteKey::kItemEdit, &MerlaItemEdit::MakeStored}};
    return makers;
}
} // namespace

void MerlaItem::RegisterChildItemKind(const std::wstring& cls, ChildItemMaker maker) {
    ChildItemMakers()[cls] = maker;
}

void MerlaItem::AdoptItem(std::unique_ptr<LWnd> item, std::wstring_view cls) {
    if (!item)
        return;
    all_items_.push_back(item.get());
    if (cls == NoteKey::kItemImage)
        image_items_.push_back(std::move(item));
    else if (cls == NoteKey::kRichEdit)
        rich_items_.push_back(std::move(item));
    else
        text_items_.push_back(std::move(item));
}

void MerlaItem::LoadChildItems(const std::vector<ChildItemRef>& refs) {
    for (const ChildItemRef& ref : refs) {
        auto it = ChildItemMakers().find(ref.identify);
        if (it == ChildItemMakers().end() || !it->second)
            continue;
        AdoptItem(it->second(*this, ref.id), ref.identify);
    }
}

MerlaItem::MerlaItem(std::wstring name, std::wstring base_folder, bool opened_from_manager)
    : name_(std::move(name)), base_folder_(std::move(base_folder)), from_manager_(opened_from_manager) {
    SetObjectName(NoteKey::kNoteRoot);
    if (base_folder_.empty())
        base_folder_ = NoteItemsDir();
}

MerlaItem::~MerlaItem() {
    // Children go first: their windows lie inside ours.
    all_items_.clear();
    rich_items_.clear();
    image_items_.clear();
    text_items_.clear();
    auto& open = OpenNotesByName();
    auto it = open.find(name_);
    if (it != open.end() && it->second == this)
        open.erase(it);
    if (LastActiveNote() == this)
        LastActiveNote() = nullptr;
    if (handle_ && IsWindow(handle_))
        KillTimer(handle_, kDesktopRetryTimer);
    picture_.reset();
}

std::wstring MerlaItem::Folder() const {
    return NoteFolder(name_, base_folder_);
}

std::wstring MerlaItem::SettingsPath() {
    if (name_.empty())
        return {};
    return Folder() + name_ + L".xml";
}

NoteRecord MerlaItem::Record() {
    return NoteRecord(SettingsPath(), NoteKey::kNoteRoot, GetId());
}

void MerlaItem::DeleteFiles() {
    if (!name_.empty())
        DeleteNoteFiles(Folder(), name_);
}

MerlaItem::OpenTimes& MerlaItem::OpenTimesSoFar() {
    static OpenTimes times;
    return times;
}

bool MerlaItem::Create(int id, const std::wstring& title, DWORD ex_style, DWORD style, int x, int y,
                       int width, int height, HWND parent) {
    OpenTimes& times = OpenTimesSoFar();
    const double inner = times.records + times.picture + times.items + times.paint;
    double t = PerfNowMs();
    if (!LWndMoveResize::Create(id, title, ex_style, style & ~WS_VISIBLE, x, y, width, height, parent))
        return false;
    times.window += PerfNowMs() - t - (times.records + times.picture + times.items + times.paint - inner);
    // Drawn once while it was made; pushed once it shows (the platform drops a picture pushed to a
    // hidden window). A note appearing does not take the activation from where the user works.
    t = PerfNowMs();
    Show(SW_SHOWNOACTIVATE);
    times.show += PerfNowMs() - t;
    t = PerfNowMs();
    Present();
    times.present += PerfNowMs() - t;
    ++times.notes;
    return true;
}

bool MerlaItem::OnCreate() {
    const bool ok = LWndMoveResize::OnCreate();
    // The record is loaded once for everything the note reads from it here; loading costs more than
    // the rest of the reading together.
    OpenTimes& times = OpenTimesSoFar();
    double t = PerfNowMs();
    std::optional<NoteRecordReader> loaded;
    std::wstring unique;
    if (!name_.empty() && loaded_record_)
        loaded.emplace(std::move(*loaded_record_), Record().Root());
    else if (!name_.empty())
        loaded.emplace(Record());
    loaded_record_.reset();
    if (!loaded || !loaded->ReadText(NoteKey::kUnique, unique)) {
        name_ = EnsureNoteUnique(base_folder_, name_, GetId());
        loaded.emplace(Record()); // as the name just written left it
    }
    OpenNotesByName()[name_] = this;

    // The paper is painted once, at the size the record gives.
    defer_paint_ = true;
    NoteRecord record = Record();
    NoteRecordReader& stored = *loaded;
    std::wstring bkimage;
    if (stored.ReadText(NoteKey::kBkImage, bkimage)) {
        bkimage_ = bkimage; // as stored: nothing to write back
        times.records += PerfNowMs() - t;
        t = PerfNowMs();
        SetBackground(bkimage, false);
        times.picture += PerfNowMs() - t;
        t = PerfNowMs();
    }
    NoteRect rect;
    if (stored.ReadRect(rect))
        PlaceAt(rect);
    const std::vector<ChildItemRef> children = stored.LoadChildren();
    times.records += PerfNowMs() - t;
    t = PerfNowMs();
    LoadChildItems(children);
    times.items += PerfNowMs() - t;
    t = PerfNowMs();
    int64_t color = 0;
    if (stored.ReadInt64(NoteKey::kCurColor, color))
        cur_color_ = static_cast<uint32_t>(color);
    int alpha = alpha_;
    if (stored.ReadInt(NoteKey::kAlpha, alpha))
        alpha_ = std::clamp(alpha, 0, 255);
    // Each write replaces the whole file: only what differs is written.
    if (!stored.ReadText(NoteKey::kGroup, group_))
        record.WriteText(NoteKey::kGroup, group_);
    std::wstring stored_dir;
    if (!stored.ReadText(NoteKey::kDir, stored_dir) || stored_dir != base_folder_)
        record.WriteText(NoteKey::kDir, base_folder_);
    stored.ReadText(NoteKey::kPngView, pngview_);

    if (!from_manager_) {
        int top_most = 0, to_desk = 0, trans = 0;
        stored.ReadInt(NoteKey::kTopMost, top_most);
        stored.ReadInt(NoteKey::kToDesk, to_desk);
        stored.ReadInt(NoteKey::kIsTrans, trans);
        if (to_desk) {
            to_desk_ = true;
            SetDesktopEmbed(true);
        } else if (top_most) {
            top_most_ = true;
            SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
        }
        if (trans)
            SetPassThrough(true);
    }
    defer_paint_ = false;
    times.records += PerfNowMs() - t;
    t = PerfNowMs();
    BuildShakeTable(ClientRect(), kShakeAngleDegrees);
    PaintBackground();
    Redraw();
    if (IsWindowVisible(handle_))
        PresentAll();
    times.paint += PerfNowMs() - t;
    GetWindowRect(handle_, &saved_rect_);
    if (GetDoubleClickTime() != kDoubleClickMs)
        SetDoubleClickTime(kDoubleClickMs);
    // The note is on the screen again: its snapshot has served.
    if (!pngview_.empty()) {
        const std::wstring snapshot = Folder() + pngview_;
        if (FileExists(snapshot))
            DeleteFileW(snapshot.c_str());
    }
    return ok;
}

RECT MerlaItem::KeepReachable(RECT rc, const RECT& screen) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (rc.left >= screen.right)
        rc.left = screen.right - kReachableMargin;
    else if (rc.right <= screen.left)
        rc.left = screen.left + kReachableMargin - w;
    if (rc.top >= screen.bottom)
        rc.top = screen.bottom - kReachableMargin;
    else if (rc.bottom <= screen.top)
        rc.top = screen.top + kReachableMargin - h;
    rc.right = rc.left + w;
    rc.bottom = rc.top + h;
    return rc;
}

int MerlaItem::LoadRect() {
    NoteRect r;
    if (!Record().ReadRect(r))
        return 0;
    return PlaceAt(r);
}

int MerlaItem::PlaceAt(const NoteRect& r) {
    RECT rc{r.left, r.top, r.right, r.bottom};
    if ((GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) && GetParent(handle_))
        MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&rc), 2);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    rc = KeepReachable(rc, VirtualScreenRect());
    // A note made at its stored place is not moved there again: a move costs a round to the server.
    RECT now = WindowRect();
    if ((GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) && GetParent(handle_))
        MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&now), 2);
    if (now.left != rc.left || now.top != rc.top || now.right - now.left != w || now.bottom - now.top != h)
        MoveWindow(handle_, rc.left, rc.top, w, h, TRUE);
    return 1;
}

void MerlaItem::SaveRect() {
    RECT wr{};
    GetWindowRect(handle_, &wr);
    NoteRect r{wr.left, wr.top, wr.right, wr.bottom};
    NoteRecord record = Record();
    if (from_manager_) {
        NoteRect stored;
        if (record.ReadRect(stored))
            r = NoteRect{stored.left, stored.top, stored.left + r.Width(), stored.top + r.Height()};
    }
    record.WriteRect(r);
    saved_rect_ = wr;
}

void MerlaItem::MoveResizeHitTest(int x, int y, const RECT& wr) {
    const POINT pt{x, y};
    if (drag_active_ || !PtInRect(&wr, pt))
        return;
    if (x >= wr.right - kGripSize && y >= wr.bottom - kGripSize) {
        sizing_edges_ = kEdgeRight | kEdgeBottom;
        SetCursorType(kCursorSizeNWSE);
    } else {
        sizing_edges_ = 0;
        SetCursorType(kCursorMove);
    }
}

RECT MerlaItem::GetDragBounds() {
    return RECT{};
}

bool MerlaItem::IsMoving() {
    return pressed_ != 0 && !IsResizing();
}

void MerlaItem::SetCursorType(int type) {
    // Moving shows the ordinary arrow.
    LWndMoveResize::SetCursorType(type == kCursorMove ? kCursorNormal : type);
    cursor_type_ = type;
}

void MerlaItem::OnRButtonDown(WPARAM keys, int x, int y) {
    LWndMoveResize::OnRButtonDown(keys, x, y);
    LastActiveNote() = this;
}

void MerlaItem::OnLButtonDown(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonDown(keys, x, y);
    LastActiveNote() = this;
}

void MerlaItem::OnLButtonUp(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonUp(keys, x, y);
    if (MoveFrameVisible())
        HideMoveFrame();
}

// The reminder's stop menu joins with the reminder popup.
void MerlaItem::OnLButtonDblClk(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonDblClk(keys, x, y);
    if (!reminding_ && RichOptions().double_click == 0)
        ClickAction(POINT{x, y});
}

void MerlaItem::OnClick(WPARAM keys, int x, int y) {
    LWndMoveResize::OnClick(keys, x, y);
    if (reminding_) {
        POINT at{x, y};
        ClientToScreen(handle_, &at);
        OpenStopMenu(at.x, at.y);
        return;
    }
    if (RichOptions().double_click == 1)
        ClickAction(POINT{x, y});
}

LWnd* MerlaItem::ItemAt(POINT client) const {
    // The item added last lies on top.
    for (auto it = all_items_.rbegin(); it != all_items_.rend(); ++it) {
        RECT rc = (*it)->WindowRect();
        MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&rc), 2);
        if (PtInRect(&rc, client))
            return *it;
    }
    return nullptr;
}

LRichEditNI* MerlaItem::AddRichItem(POINT at) {
    const RECT client = ClientRect();
    const int width = std::max<int>(LRichEditNI::kMinBoxWidth, client.right - at.x - kGripSize);
    const int height = std::max<int>(1, std::min<int>(LRichEditNI::kNewBoxHeight, client.bottom - at.y));
    auto box = std::make_unique<LRichEditNI>(Folder(), name_);
    if (!box->CreateBox(0, handle_, RECT{at.x, at.y, at.x + width, at.y + height}))
        return nullptr;
    LRichEditNI* raw = box.get();
    NoteRecord child = NoteRecord::ForChild(Folder(), raw->GetId(), NoteKey::kRichEdit);
    child.WriteRect(NoteRect{at.x, at.y, at.x + width, at.y + height});
    child.WriteInt(NoteKey::kAutoChangeLine, raw->IsWrap() ? 1 : 0);
    AdoptItem(std::move(box), NoteKey::kRichEdit);
    NoteRecord record = Record();
    record.AddChildItem(raw->GetId(), NoteKey::kRichEdit);
    record.WriteText(NoteKey::kUpdateTime, NoteTimeNow());
    if (Redraw())
        Present();
    raw->StartEditing(0, 0);
    return raw;
}

void MerlaItem::ClickAction(POINT at) {

    LWnd* item = ItemAt(at);
    if (!item) {
        AddRichItem(at);
        return;
    }
    POINT inside = at;
    MapWindowPoints(handle_, item->GetHandle(), &inside, 1);
    if (auto* box = dynamic_cast<LRichEditNI*>(item)) {
        if (box->IsProtected()) {
            box->Unprotect(handle_, true);
            return;
        }
        box->StartEditing(inside.x, inside.y);
        return;
    }
    if (LWnd* focused = Focused(); focused != item) {
        if (focused)
            focused->OnKillFocus(item);
        item->SetFocusWnd();
    }
}

void MerlaItem::SaveEditing() {
    for (const auto& item : rich_items_) {
        if (auto* box = dynamic_cast<LRichEditNI*>(item.get()); box && box->IsEditing())
            box->SaveAll();
    }
    // Plain text items keep their text only in the window until they lose the focus.
    for (const auto& item : text_items_) {
        if (auto* edit = dynamic_cast<MerlaItemEdit*>(item.get()); edit && !edit->Text().empty())
            edit->Save();
    }
}

void MerlaItem::OnContextMenu(HWND window, int x, int y) {
    LWndMoveResize::OnContextMenu(window, x, y);
    if (reminding_)
        OpenStopMenu(x, y);
    else
        OpenNoteMenu(x, y);
}

void MerlaItem::OpenNoteMenu(int screen_x, int screen_y) {
    MerlaMenuNoteBase* shown = nullptr;
    if (from_manager_) {
        shown = MerlaMenuModifying::Make(handle_, alpha_, name_, Folder());
    } else if (MerlaMenuNote* menu = MerlaMenuNote::Make(handle_, alpha_, name_, Folder())) {
        // The group commands are resolved against the lists this menu showed.
        note_groups_ = menu->NoteGroups();
        menu->SetDeskTied(to_desk_);
        menu->SetTopMost(top_most_);
        shown = menu;
    }
    if (!shown)
        return;
    tpl_groups_ = shown->TemplateGroups();
    shown->PopupAt(screen_x, screen_y);
}

void MerlaItem::OnTimer(UINT_PTR timer_id) {
    if (timer_id == kShakeTimerId) {
        OnShakeTimer();
        return;
    }
    if (timer_id != kDesktopRetryTimer) {
        LWndMoveResize::OnTimer(timer_id);
        return;
    }
    KillTimer(handle_, kDesktopRetryTimer);
    if (HWND main = MainWindow())
        SendMessageW(main, NoteMsg::kMainCheckDesktop, 0, 0);
    HWND view = FindDesktopView();
    SetWindowLongPtrW(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(view));
}

bool MerlaItem::OnSize(UINT type, int width, int height) {
    const bool changed = LWndMoveResize::OnSize(type, width, height);
    bool all_redrew = true;
    for (const auto* list : {&text_items_, &image_items_, &rich_items_}) {
        for (const auto& item : *list) {
            if (auto* child = dynamic_cast<NoteChildItem*>(item.get()))
                all_redrew = child->LayoutForNoteSize() && all_redrew;
        }
    }
    PlaceReminderLabel();
    BuildShakeTable(ClientRect(), kShakeAngleDegrees);
    PaintBackground();
    if (all_redrew && IsWindowVisible(handle_))
        PresentAll();
    return changed;
}

void MerlaItem::OnDestroy() {
    KillTimer(handle_, kDesktopRetryTimer);
    KillTimer(handle_, kShakeTimerId);
    StopReminderSound();
    gif_.ClearPictures();
    LWndMoveResize::OnDestroy();
}

void MerlaItem::PaintBackground() {
    if (defer_paint_)
        return;
    const RECT rc = ClientRect();
    LSurface surface = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (!surface) {
        background_ = LSurface();
        return;
    }
    bool drawn = false;
    if (!gif_name_.empty()) {
        if (auto target = surface.MakeBitmap()) {
            Gdiplus::Graphics g(target.get());
            g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            drawn = gif_.DrawPicture(g, Folder(), gif_name_, 0, 0, rc.right, rc.bottom);
        }
    }
    if (!drawn && picture_ && !bkimage_.empty() && FileExists(Folder() + bkimage_)) {
        auto target = surface.MakeBitmap();
        if (target) {
            Gdiplus::Graphics g(target.get());
            g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
            // Mirrored edges keep the stretched picture from fading out along its border.
            Gdiplus::ImageAttributes edges;
            edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
            drawn =
                g.DrawImage(picture_.get(), Gdiplus::Rect(0, 0, rc.right, rc.bottom), 0, 0,
                            static_cast<INT>(picture_->GetWidth()), static_cast<INT>(picture_->GetHeight()),
                            Gdiplus::UnitPixel, &edges) == Gdiplus::Ok;
        }
    }
    // Grey paper needs no picture of its own: it is filled while composing.
    background_ = drawn ? std::move(surface) : LSurface();
}

LSurface MerlaItem::RenderContent() {
    POINT origin{};
    return RenderContentRect(ClientRect(), origin);
}

// A band of the paper as RenderContent paints it: a keystroke in a box redraws a few rows only.
LSurface MerlaItem::RenderContentRect(const RECT& cut, POINT& origin) {
    origin = POINT{cut.left, cut.top};
    LSurface surface = CreateSurface(handle_, cut.right - cut.left, cut.bottom - cut.top, 0);
    if (!surface || alpha_ <= 0)
        return surface;
    if (!background_) {
        const uint32_t a = static_cast<uint32_t>(std::min(alpha_, 255)) << 24;
        surface.Fill(a | (kGreyPaper & 0x00FFFFFF));
        return surface;
    }
    const int w = std::min<int>(cut.right, background_.width()) - cut.left;
    const int h = std::min<int>(cut.bottom, background_.height()) - cut.top;
    if (w <= 0 || h <= 0)
        return surface;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::min(alpha_, 255)), AC_SRC_ALPHA};
    AlphaBlend(surface.dc(), 0, 0, w, h, background_.dc(), cut.left, cut.top, w, h, blend);
    return surface;
}

void MerlaItem::CopyBackBuffer(LSurface& surface) {
    LWndMoveResize::CopyBackBuffer(surface);
    // The grip: nearly transparent, yet it still takes the mouse.
    const int gx = surface.width() - kGripSize, gy = surface.height() - kGripSize;
    surface.FillRect(gx, gy, kGripSize, kGripSize, kGripColor);
    static constexpr POINT kDots[] = {{7, 1}, {4, 4}, {7, 4}, {1, 7}, {4, 7}, {7, 7}};
    for (const POINT& d : kDots)
        surface.FillRect(gx + d.x, gy + d.y, kGripDot, kGripDot, kGripDotColor);
    // Between its rests a wobbling note is drawn turned by the step's angle.
    if (reminding_ && shake_step_ > 0 && shake_step_ < static_cast<int>(shake_.size()))
        DrawShaken(surface, surface, shake_[static_cast<size_t>(shake_step_)]);
}

void MerlaItem::PresentAll() {
    Redraw();
    Present();
}

bool MerlaItem::SetBackground(const std::wstring& file, bool delete_old) {
    if (file.empty()) {
        picture_.reset();
        bkimage_.clear();
        PaintBackground();
        return true;
    }
    const std::wstring folder = Folder();
    if (!FileExists(folder + file))
        return false;
    if (delete_old && !bkimage_.empty() && bkimage_ != file)
        DeleteFileW((folder + bkimage_).c_str());
    if (bkimage_ != file) {
        bkimage_ = file;
        Record().WriteText(NoteKey::kBkImage, file);
    }
    if (!gif_name_.empty() && gif_name_ != file) {
        gif_.RemovePicture(gif_name_);
        gif_name_.clear();
    }
    if (LGif::IsGifName(file) && gif_name_ != file && handle_) {
        gif_.AddPicture(folder, file, handle_);
        gif_name_ = file;
    }
    picture_ = LoadPictureCopy(folder + file);
    PaintBackground();
    return picture_ != nullptr;
}

bool MerlaItem::ChooseBackground() {
    std::wstring path;
    if (!AskPictureFile(handle_, path))
        return false;
    return UseBackgroundFile(path, FileNameOfPath(path));
}

bool MerlaItem::AddImageItem(POINT at) {
    std::wstring path;
    if (!AskPictureFile(handle_, path))
        return false;
    return AddImageItemFrom(path, at) != nullptr;
}

MerlaItemImage* MerlaItem::AddImageItemFrom(const std::wstring& path, POINT at) {
    auto item = std::make_unique<MerlaItemImage>(Folder(), name_);
    const int id = item->GetId(); // a fresh object id names the copy
    const std::wstring target_name =
        std::wstring(kPictureCopyPrefix) + std::to_wstring(id) + L"_" + FileNameOfPath(path);
    if (!CopyPictureIn(handle_, path, Folder() + target_name))
        return nullptr;
    const RECT rect{at.x, at.y, at.x + MerlaItemImage::kNewSide, at.y + MerlaItemImage::kNewSide};
    if (!item->CreateItem(id, handle_, rect, target_name))
        return nullptr;
    MerlaItemImage* raw = item.get();
    raw->SaveRect();
    AdoptItem(std::move(item), NoteKey::kItemImage);
    NoteRecord record = Record();
    record.AddChildItem(id, NoteKey::kItemImage);
    record.WriteText(NoteKey::kUpdateTime, NoteTimeNow());
    if (Redraw())
        Present();
    return raw;
}

bool MerlaItem::UseBackgroundFile(const std::wstring& path, const std::wstring& file_name) {
    const std::wstring target_name = kPictureCopyPrefix + MakeUniqueStamp(GetId()) + L"_" + file_name;
    const std::wstring target = Folder() + target_name;
    if (!CopyPictureIn(handle_, path, target))
        return false;
    const bool ok = SetBackground(target_name, true);
    Redraw();
    Present();
    return ok;
}

HWND FindDesktopView() {
    if (HWND progman = FindWindowW(L"Progman", L"Program Manager"))
        return FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr);
    return nullptr;
}

void MerlaItem::SetDesktopEmbed(bool on) {
    if (!on) {
        KillTimer(handle_, kDesktopRetryTimer);
        SetWindowLongPtrW(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(GetDesktopWindow()));
        return;
    }
    if (HWND view = FindDesktopView()) {
        SetLastError(0);
        SetWindowLongPtrW(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(view));
        if (GetWindow(handle_, GW_OWNER) == view)
            return;
    } else if (HWND main = MainWindow()) {
        SendMessageW(main, NoteMsg::kMainCheckDesktop, 0, 0);
    }
    SetTimer(handle_, kDesktopRetryTimer, kDesktopRetryMs, nullptr);
}

void MerlaItem::SetPassThrough(bool on) {
    LONG_PTR ex = GetWindowLongPtrW(handle_, GWL_EXSTYLE);
    ex = on ? (ex | WS_EX_TRANSPARENT) : (ex & ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT));
    SetWindowLongPtrW(handle_, GWL_EXSTYLE, ex);
    pass_through_ = on;
}

void MerlaItem::WritePassThrough(bool on) {
    SetPassThrough(on);
    Record().WriteInt(NoteKey::kIsTrans, on ? 1 : 0);
}

void MerlaItem::SetTopMost(bool on) {
    top_most_ = on;
    SetWindowPos(handle_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
}

void MerlaItem::SetBaseFolder(const std::wstring& base_folder) {
    base_folder_ = base_folder;
    for (LWnd* item : all_items_) {
        if (auto* child = dynamic_cast<NoteChildItem*>(item))
            child->SetBaseFolder(base_folder_);
    }
    Record().WriteText(NoteKey::kDir, base_folder_);
}

bool MerlaItem::TakeSnapshot() {
    const std::wstring file = MakeUniqueStamp(99) + L".png";
    const RECT wr = WindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (!back_buffer_)
        Redraw();
    if (!back_buffer_ || w <= 0 || h <= 0)
        return false;
    LSurface shot = CreateSurface(handle_, w, h, 0);
    if (!shot)
        return false;
    shot.BlendFrom(back_buffer_, 0, 0);
    auto pargb = shot.MakeBitmap();
    if (!pargb)
        return false;
    Gdiplus::Bitmap argb(w, h, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&argb);
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        g.DrawImage(pargb.get(), 0, 0, w, h);
    }
    std::string bytes;
    if (!EncodePng(argb, bytes) || !WriteFileAtomic(Folder() + file, bytes))
        return false;
    pngview_ = file;
    Record().WriteText(NoteKey::kPngView, file);
    return true;
}

bool MerlaItem::WriteHidden() {
    const bool written = Record().WriteInt(NoteKey::kIsHide, 1);
    return TakeSnapshot() && written;
}

void MerlaItem::SetNoteAlpha(int alpha) {
    alpha_ = std::clamp(alpha, 0, 255);
    Record().WriteInt(NoteKey::kAlpha, alpha_);
    Redraw();
    Present();
}

void MerlaItem::RunNewNoteCommand() {
    const RECT wr = WindowRect();
    PostToMain(NoteCmd::kMainNewNote, MAKELPARAM(static_cast<WORD>(wr.left), static_cast<WORD>(wr.top)));
}

void MerlaItem::RemoveChildItem(int child_id) {
    LWnd* child = nullptr;
    for (LWnd* item : all_items_) {
        if (item->GetId() == child_id)
            child = item;
    }
    if (!child)
        return;
    all_items_.erase(std::remove(all_items_.begin(), all_items_.end(), child), all_items_.end());
    RedrawWithout(child);
    Present();
    for (auto* list : {&text_items_, &image_items_, &rich_items_}) {
        list->erase(std::remove_if(list->begin(), list->end(),
                                   [child](const std::unique_ptr<LWnd>& p) { return p.get() == child; }),
                    list->end());
    }
    NoteRecord record = Record();
    record.RemoveChildItem(child_id);
    record.WriteText(NoteKey::kUpdateTime, NoteTimeNow());
}

void MerlaItem::SetCurColor(uint32_t argb) {
    cur_color_ = argb;
    Record().WriteInt(NoteKey::kCurColor, static_cast<int>(cur_color_));
}

bool MerlaItem::UseTemplate(const std::wstring& tpl_name, const std::wstring& tpl_group) {
    const RECT wr = WindowRect();
    AppliedTemplate applied;
    if (!ApplyTemplate(TemplateFolderFor(tpl_group, tpl_name), tpl_name, Folder(), name_, GetId(),
                       NoteRect{wr.left, wr.top, wr.right, wr.bottom}, applied))
        return false;
    if (applied.resized) {
        SetWindowPos(handle_, nullptr, 0, 0, applied.rect.Width(), applied.rect.Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(handle_, &saved_rect_);
    }
    if (!applied.bkimage.empty())
        SetBackground(applied.bkimage, false);
    PresentAll();
    return true;
}

LRESULT MerlaItem::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    const LRESULT result = LWndMoveResize::WindowProc(message, wp, lp);
    switch (message) {
    case NoteMsg::kRepaint:
        PaintBackground();
        Redraw();
        Present();
        break;
    case NoteMsg::kRemoveEditItem:
    case NoteMsg::kRemoveImageItem:
    case NoteMsg::kRemoveRichItem:
        RemoveChildItem(static_cast<int>(wp));
        break;
    case NoteMsg::kApplyTemplate:
    case NoteMsg::kApplyTemplateToo:
        if (wp)
            UseTemplate(reinterpret_cast<const wchar_t*>(wp),
                        lp ? reinterpret_cast<const wchar_t*>(lp) : L"");
        break;
    case NoteMsg::kSetAlpha:
        SetNoteAlpha(static_cast<int>(lp));
        break;
    case NoteMsg::kSetColor:
        SetCurColor(static_cast<uint32_t>(wp));
        break;
    case NoteMsg::kAddRichItemAt:
        AddRichItem(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        break;
    case NoteMsg::kReminderFires:
        // A new firing starts everything again, the music from its beginning.
        StopReminderSound();
        StartReminder();
        break;
    case WM_ENDSESSION:
        // The session ends without the windows being destroyed: what is being written goes now.
        if (wp)
            SaveEditing();
        break;
    default:
        break;
    }
    return result;
}

// The template group chosen last on any note's menu; the menu item itself saves into it.
std::wstring& MerlaItem::LastTemplateGroup() {
    static std::wstring group;
    return group;
}

LRESULT MerlaItem::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message != kToolkitCommand)
        return LWndMoveResize::OnNotify(message, wp, lp);
    const int command = static_cast<int>(wp);
    if (command == NoteCmd::kNewInDefaultGroup) {
        CurrentGroup().clear();
        RunNewNoteCommand();
        return 0;
    }
    if (IsGroupListCommand(command, NoteCmd::kNewInDefaultGroup)) {
        const int entry = GroupListEntry(command, NoteCmd::kNewInDefaultGroup, note_groups_.size());
        if (entry < 0)
            return 0;
        CurrentGroup() = note_groups_[entry];
        RunNewNoteCommand();
        return 0;
    }
    if (command == NoteCmd::kSaveTemplate || command == NoteCmd::kTemplateToDefaultGroup ||
        IsGroupListCommand(command, NoteCmd::kTemplateToDefaultGroup)) {
        std::wstring& tpl_group = LastTemplateGroup();
        if (command == NoteCmd::kTemplateToDefaultGroup) {
            tpl_group.clear();
        } else if (command != NoteCmd::kSaveTemplate) {
            const int entry = GroupListEntry(command, NoteCmd::kTemplateToDefaultGroup, tpl_groups_.size());
            if (entry < 0)
                return 0;
            tpl_group = tpl_groups_[entry];
        } else if (!tpl_group.empty() && !FolderExists(GroupTplsDir() + tpl_group)) {
            tpl_group.clear(); // deleted since it was chosen
        }
        if (SaveNoteAsTemplate(Folder(), name_, tpl_group, MakeUniqueStamp(0)))
            ShowMessageBox(handle_, NoteNotice::kTemplateAddedText, kMbOk | kMbNoMoreShow,
                           NoteNotice::kTemplateAdded, NoteNotice::kTemplateNoticeWidth);
        return 0;
    }
    switch (command) {
    case NoteCmd::kStopReminder:
        StopReminder();
        break;
    case NoteCmd::kReminder: {
        MerlaPrompt dialog(Folder(), name_);
        dialog.DoModal(MerlaPrompt::kId, handle_);
        break;
    }
    case NoteCmd::kChooseBackground:
        ChooseBackground();
        break;
    case NoteCmd::kDelete: {
        if (ShowMessageBox(handle_, kDeleteQuestion, kMbOk | kMbCancel, NoteNotice::kDeleteBoxId) != kMbOk)
            break;
        const int id = GetId();
        // The main window destroys this note while handling the message: nothing of it may be used after.
        if (HWND main = MainWindow())
            SendMessageW(main, NoteMsg::kMainRecycleNote, static_cast<WPARAM>(id), 0);
        if (HWND manager = HandleFromId(NoteMsg::kManagerWindowId))
            PostMessageW(manager, NoteMsg::kManagerNoteDeleted, 0, 0);
        return 0;
    }
    case NoteCmd::kTopMost: {
        NoteRecord record = Record();
        if (to_desk_) {
            to_desk_ = false;
            SetDesktopEmbed(false);
            record.WriteInt(NoteKey::kToDesk, 0);
        }
        SetTopMost(!top_most_);
        record.WriteInt(NoteKey::kTopMost, top_most_ ? 1 : 0);
        break;
    }
    case NoteCmd::kExit:
        PostToMain(NoteCmd::kMainExit, 0);
        break;
    case NoteCmd::kToDesk: {
        NoteRecord record = Record();
        if (top_most_) {
            SetTopMost(false);
            record.WriteInt(NoteKey::kTopMost, 0);
        }
        to_desk_ = !to_desk_;
        SetDesktopEmbed(to_desk_);
        record.WriteInt(NoteKey::kToDesk, to_desk_ ? 1 : 0);
        break;
    }
    case NoteCmd::kNewNote:
        RunNewNoteCommand();
        break;
    case NoteCmd::kManager:
        PostToMain(NoteCmd::kMainManager, 0);
        break;
    case NoteCmd::kHide:
        PostToMain(NoteCmd::kHide, GetId());
        break;
    case NoteCmd::kSnapshotAndClose:
        TakeSnapshot();
        if (IsModal())
            EndDialog(handle_, 1);
        break;
    case NoteCmd::kMinimise:
        Show(SW_HIDE);
        ShowMessageBox(handle_, NoteNotice::kMinimisedText, kMbOk | kMbNoMoreShow, NoteNotice::kMinimised,
                       NoteNotice::kNoticeWidth);
        break;
    case NoteCmd::kMinimiseAll:
        PostToMain(NoteCmd::kMinimiseAll, 0);
        break;
    case NoteCmd::kPassThrough:
        WritePassThrough(!pass_through_);
        if (pass_through_)
            ShowMessageBox(handle_, NoteNotice::kPassThroughText, kMbOk | kMbNoMoreShow,
                           NoteNotice::kPassThroughSet, NoteNotice::kNoticeWidth);
        break;
    case NoteCmd::kPassThroughAll:
        PostToMain(NoteCmd::kPassThroughAll, 0);
        break;
    case NoteCmd::kClearPassThrough:
        WritePassThrough(false);
        break;
    case NoteCmd::kAddImage:
        AddImageItem(POINT{rpress_.x, rpress_.y});
        break;
    case NoteCmd::kAddRichItem: {
        // Where the menu was asked for, on empty paper only.
        const POINT at{rpress_.x, rpress_.y};
        if (!ItemAt(at))
            AddRichItem(at);
        break;
    }
    default:
        // Image and rich text items, the reminder dialog and its stop join with their own windows.
        break;
    }
    return 0;
}
