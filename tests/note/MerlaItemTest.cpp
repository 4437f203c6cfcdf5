// The note window on the screen: its record, where it opens, how it is dragged and sized, its paper,
// and the window states its commands switch.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/NoteRegistries.h"
#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "note/MerlaItem.h"
#include "note/NoteChildItem.h"
#include "store/NoteRecord.h"
#include "toolkit/MerlaMessageBox.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A note record prepared on disk, as the loader finds it.
void PrepareNote(const std::wstring& name, const NoteRect& rect) {
    NoteRecord record = NoteRecord::ForNote(NoteFolder(name), name, 0);
    record.WriteText(NoteKey::kUnique, name);
    record.WriteRect(rect);
}

std::unique_ptr<MerlaItem> OpenNote(const std::wstring& name = {}, int x = 200, int y = 150, int w = 180,
                                    int h = 180) {
    auto note = std::make_unique<MerlaItem>(name);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, x, y, w, h, nullptr));
    PumpMessages();
    return note;
}

NoteRecord RecordOf(MerlaItem& note) {
    return NoteRecord::ForNote(note.Folder(), note.Name());
}

int ReadInt(MerlaItem& note, const wchar_t* key, int fallback = -1) {
    int value = fallback;
    RecordOf(note).ReadInt(key, value);
    return value;
}

void Command(MerlaItem& note, int command) {
    SendMessageW(note.GetHandle(), LNotify::kCommand, static_cast<WPARAM>(command), 0);
}

void SuppressNotice(int id) {
    MerlaMessageBox box(kMbOk | kMbNoMoreShow, L"", L"", 0);
    box.SetNoMoreShow(id, true);
    ASSERT_TRUE(IsNoMoreShow(id));
}

// Stands in for the main window: records the commands posted to it.
class FakeMain : public LWnd {
public:
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == LNotify::kCommand)
            commands.push_back({static_cast<int>(wp), lp});
        return 0;
    }
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == NoteMsg::kMainRecycleNote)
            recycled.push_back(static_cast<int>(wp));
        if (message == NoteMsg::kMainCheckDesktop)
            ++desktop_checks;
        return LWnd::WindowProc(message, wp, lp);
    }
    std::vector<std::pair<int, LPARAM>> commands;
    std::vector<int> recycled;
    int desktop_checks = 0;
};

// Presses a button of the delete question as soon as it is up.
int g_answer = 0;
void CALLBACK AnswerDeleteQuestion(HWND, UINT, UINT_PTR timer, DWORD) {
    if (HWND box = LWnd::HandleFromId(30701)) {
        KillTimer(nullptr, timer);
        SendMessageW(box, LNotify::kButtonClicked, static_cast<WPARAM>(g_answer), 0);
    }
}

} // namespace

TEST(MerlaItem, NewNoteIsNamedRegisteredAndShowsGreyPaperWithTheGrip) {
    auto note = OpenNote();
    ASSERT_FALSE(note->Name().empty());
    EXPECT_TRUE(Exists(note->Folder() + note->Name() + L".xml"));
    std::wstring unique, dir;
    EXPECT_TRUE(RecordOf(*note).ReadText(NoteKey::kUnique, unique));
    EXPECT_EQ(unique, note->Name());
    EXPECT_TRUE(RecordOf(*note).ReadText(NoteKey::kDir, dir));
    EXPECT_EQ(dir, NoteItemsDir());
    EXPECT_EQ(ReadInt(*note, NoteKey::kId), note->GetId());
    EXPECT_EQ(OpenNotesByName()[note->Name()], note.get());
    EXPECT_TRUE(IsWindowVisible(note->GetHandle()));
    EXPECT_EQ(note->BackBuffer().Pixel(90, 90), 0xFFADADACu);
    // The grip is drawn over the presented picture only.
    LSurface shown = CreateSurface(note->GetHandle(), 180, 180);
    note->CopyBackBuffer(shown);
    EXPECT_EQ(shown.Pixel(170, 170), 0x01000000u);
    EXPECT_EQ(shown.Pixel(169, 169), 0xFFADADACu);
    const std::wstring name = note->Name();
    note.reset();
    EXPECT_EQ(OpenNotesByName().count(name), 0u);
}

TEST(MerlaItem, OffScreenNotesComeBackAndPartlyVisibleOnesStay) {
    const int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    PrepareNote(L"far_right", {5000, 100, 5180, 280});
    PrepareNote(L"sticks_out", {cx - 80, 100, cx + 100, 280});
    PrepareNote(L"far_left_up", {-500, -400, -320, -220});
    PrepareNote(L"below", {300, cy + 50, 480, cy + 230});
    auto a = OpenNote(L"far_right");
    auto b = OpenNote(L"sticks_out");
    auto c = OpenNote(L"far_left_up");
    auto d = OpenNote(L"below");
    RECT r = a->WindowRect();
    EXPECT_EQ(r.left, cx - 7); // 1913 on a 1920-pixel screen
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right - r.left, 180);
    r = b->WindowRect();
    EXPECT_EQ(r.left, cx - 80);
    r = c->WindowRect();
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(r.bottom, 7);
    r = d->WindowRect();
    EXPECT_EQ(r.top, cy - 7);
    EXPECT_EQ(r.left, 300);
}

TEST(MerlaItem, ReachabilityFollowsTheVirtualScreenLeftOfAndAboveThePrimary) {
    // A second monitor left of the primary, reaching higher than it.
    const RECT screen{-1920, -200, 1920, 1080};
    const RECT on_left_monitor{-1500, -150, -1320, 30};
    RECT r = MerlaItem::KeepReachable(on_left_monitor, screen);
    EXPECT_EQ(r.left, -1500);
    EXPECT_EQ(r.top, -150);
    r = MerlaItem::KeepReachable(RECT{-3000, -900, -2820, -720}, screen);
    EXPECT_EQ(r.right, -1913);
    EXPECT_EQ(r.bottom, -193);
    EXPECT_EQ(r.right - r.left, 180);
    EXPECT_EQ(r.bottom - r.top, 180);
    r = MerlaItem::KeepReachable(RECT{2000, 1100, 2180, 1280}, screen);
    EXPECT_EQ(r.left, 1913);
    EXPECT_EQ(r.top, 1073);
}

TEST(MerlaItem, DraggingAnywhereMovesOnlyTheGripResizesAndTheRecordFollows) {
    auto note = OpenNote({}, 300, 200, 180, 180);
    HWND h = note->GetHandle();
    // A press on the very edge moves the note: it has no sizing edges.
    SendMessageW(h, WM_MOUSEHOVER, 0, Point(1, 90));
    EXPECT_EQ(note->GetSizingEdges(), 0);
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(1, 90));
    EXPECT_TRUE(note->IsMoving());
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(41, 110));
    SendMessageW(h, WM_LBUTTONUP, 0, Point(41, 110));
    RECT r = note->WindowRect();
    EXPECT_EQ(r.left, 340);
    EXPECT_EQ(r.top, 220);
    NoteRect stored;
    ASSERT_TRUE(RecordOf(*note).ReadRect(stored));
    EXPECT_EQ(stored.left, 340);
    EXPECT_EQ(stored.bottom, 400);

    // The grip in the bottom-right corner sizes.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(175, 175));
    EXPECT_TRUE(note->IsResizing());
    EXPECT_FALSE(note->IsMoving());
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(225, 195));
    SendMessageW(h, WM_LBUTTONUP, 0, Point(225, 195));
    r = note->WindowRect();
    EXPECT_EQ(r.left, 340);
    EXPECT_EQ(r.right - r.left, 230);
    EXPECT_EQ(r.bottom - r.top, 200);
    ASSERT_TRUE(RecordOf(*note).ReadRect(stored));
    EXPECT_EQ(stored.right, 570);
    EXPECT_EQ(stored.bottom, 420);
    EXPECT_EQ(note->BackBuffer().width(), 230);
    EXPECT_FALSE(LWndMoveResize::MoveFrameVisible());
    EXPECT_EQ(LastActiveNote(), note.get());
}

TEST(MerlaItem, PassThroughOnAndOff) {
    SuppressNotice(20063);
    auto note = OpenNote();
    Command(*note, NoteCmd::kPassThrough);
    EXPECT_TRUE(GetWindowLongW(note->GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_EQ(ReadInt(*note, NoteKey::kIsTrans), 1);
    Command(*note, NoteCmd::kClearPassThrough);
    EXPECT_FALSE(GetWindowLongW(note->GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_EQ(ReadInt(*note, NoteKey::kIsTrans), 0);
    // A pass-through note opens pass-through again.
    Command(*note, NoteCmd::kPassThrough);
    const std::wstring name = note->Name();
    note.reset();
    auto again = OpenNote(name);
    EXPECT_TRUE(again->IsPassThrough());
    EXPECT_TRUE(GetWindowLongW(again->GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST(MerlaItem, TopMostAndDesktopTieExcludeEachOther) {
    auto note = OpenNote();
    HWND h = note->GetHandle();
    Command(*note, NoteCmd::kTopMost);
    EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(ReadInt(*note, NoteKey::kTopMost), 1);
    Command(*note, NoteCmd::kToDesk);
    EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(ReadInt(*note, NoteKey::kTopMost), 0);
    EXPECT_EQ(ReadInt(*note, NoteKey::kToDesk), 1);
    EXPECT_TRUE(note->IsToDesk());
    Command(*note, NoteCmd::kTopMost);
    EXPECT_EQ(ReadInt(*note, NoteKey::kToDesk), 0);
    EXPECT_EQ(ReadInt(*note, NoteKey::kTopMost), 1);
    EXPECT_FALSE(note->IsToDesk());
    // Both set by hand: the desktop tie wins when the note opens.
    RecordOf(*note).WriteInt(NoteKey::kToDesk, 1);
    const std::wstring name = note->Name();
    note.reset();
    auto again = OpenNote(name);
    EXPECT_TRUE(again->IsToDesk());
    EXPECT_FALSE(again->IsTopMost());
    EXPECT_FALSE(GetWindowLongW(again->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(MerlaItem, AlphaZeroLeavesOnlyTheItemsVisible) {
    auto note = OpenNote();
    auto item = std::make_unique<ColorWnd>(0xFF0000FF);
    ASSERT_TRUE(item->CreateChild(*note, 20, 20, 50, 40));
    SendMessageW(note->GetHandle(), NoteMsg::kSetAlpha, 0, 128);
    EXPECT_EQ(ReadInt(*note, NoteKey::kAlpha), 128);
    const uint32_t half = note->BackBuffer().Pixel(120, 120);
    EXPECT_GT(half >> 24, 0x60u);
    EXPECT_LT(half >> 24, 0xA0u);
    SendMessageW(note->GetHandle(), NoteMsg::kSetAlpha, 0, 0);
    EXPECT_EQ(ReadInt(*note, NoteKey::kAlpha), 0);
    EXPECT_EQ(note->BackBuffer().Pixel(120, 120), 0u);
    EXPECT_EQ(note->BackBuffer().Pixel(30, 30), Opaque(0x0000FF));
    // The grip still takes the mouse.
    LSurface shown = CreateSurface(note->GetHandle(), 180, 180);
    note->CopyBackBuffer(shown);
    EXPECT_EQ(shown.Pixel(171, 171) >> 24, 1u);
    // Alpha is read back when the note opens again.
    const std::wstring name = note->Name();
    item.reset();
    note.reset();
    auto again = OpenNote(name);
    EXPECT_EQ(again->GetAlpha(), 0);
}

TEST(MerlaItem, BackgroundPictureReplacesAndDeletesTheOldFile) {
    auto note = OpenNote();
    const std::wstring red = ExeDir() + L"red.png", blue = ExeDir() + L"blue.png";
    ASSERT_TRUE(WriteSolidPng(red, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPng(blue, 0xFF0000FF));
    ASSERT_TRUE(note->UseBackgroundFile(red, L"red.png"));
    const std::wstring first = note->BackgroundFile();
    EXPECT_EQ(first.rfind(L"bkimage_", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 8), L"_red.png");
    EXPECT_TRUE(Exists(note->Folder() + first));
    EXPECT_EQ(note->BackBuffer().Pixel(90, 90), Opaque(0xFF0000));
    std::wstring stored;
    EXPECT_TRUE(RecordOf(*note).ReadText(NoteKey::kBkImage, stored));
    EXPECT_EQ(stored, first);

    ASSERT_TRUE(note->UseBackgroundFile(blue, L"blue.png"));
    EXPECT_FALSE(Exists(note->Folder() + first));
    EXPECT_EQ(note->BackBuffer().Pixel(90, 90), Opaque(0x0000FF));

    // A picture file gone from the folder leaves grey paper on the next opening.
    DeleteFileW((note->Folder() + note->BackgroundFile()).c_str());
    const std::wstring name = note->Name();
    note.reset();
    auto again = OpenNote(name);
    EXPECT_EQ(again->BackBuffer().Pixel(90, 90), 0xFFADADACu);
    std::wstring kept;
    EXPECT_TRUE(RecordOf(*again).ReadText(NoteKey::kBkImage, kept));
    EXPECT_FALSE(kept.empty());
}

TEST(MerlaItem, HidingWritesTheFlagAndASnapshotThatGoesWhenTheNoteReturns) {
    auto note = OpenNote();
    ASSERT_TRUE(note->WriteHidden());
    EXPECT_EQ(ReadInt(*note, NoteKey::kIsHide), 1);
    std::wstring png;
    ASSERT_TRUE(RecordOf(*note).ReadText(NoteKey::kPngView, png));
    const std::wstring path = note->Folder() + png;
    ASSERT_TRUE(Exists(path));
    {
        Gdiplus::Bitmap shot(path.c_str());
        EXPECT_EQ(shot.GetWidth(), 180u);
        Gdiplus::Color c;
        shot.GetPixel(90, 90, &c);
        EXPECT_EQ(c.GetValue(), 0xFFADADACu);
    }
    const std::wstring name = note->Name();
    note.reset();
    auto again = OpenNote(name);
    EXPECT_FALSE(Exists(path));
    // The snapshot command of a note shown over the manager writes one as well.
    Command(*again, NoteCmd::kSnapshotAndClose);
    std::wstring second;
    ASSERT_TRUE(RecordOf(*again).ReadText(NoteKey::kPngView, second));
    EXPECT_NE(second, png);
    EXPECT_TRUE(Exists(again->Folder() + second));
    // Deleting the note's files takes its whole folder.
    const std::wstring folder = again->Folder();
    again->DeleteFiles();
    EXPECT_FALSE(Exists(folder));
}

TEST(MerlaItem, CommandsForTheMainWindowCarryTheNoteAndGroupCommandsClamp) {
    FakeMain main;
    ASSERT_TRUE(main.Create(LWndMoveResize::kMainWindowId, L"", 0, WS_POPUP, 0, 0, 1, 1, nullptr));
    auto note = OpenNote({}, 400, 300);
    note->SetNoteGroupList({L"工作", L"生活"});
    Command(*note, NoteCmd::kNewInGroupFirst + 7);
    EXPECT_EQ(CurrentGroup(), L"生活");
    Command(*note, NoteCmd::kNewInDefaultGroup);
    EXPECT_EQ(CurrentGroup(), L"");
    Command(*note, NoteCmd::kHide);
    Command(*note, NoteCmd::kExit);
    note->SetNoteGroupList({});
    Command(*note, NoteCmd::kNewInGroupFirst); // nothing to choose from: nothing happens
    PumpFor(100);
    ASSERT_EQ(main.commands.size(), 4u);
    EXPECT_EQ(main.commands[0].first, NoteCmd::kMainNewNote);
    EXPECT_EQ(main.commands[0].second, Point(400, 300));
    EXPECT_EQ(main.commands[2].first, NoteCmd::kHide);
    EXPECT_EQ(main.commands[2].second, note->GetId());
    EXPECT_EQ(main.commands[3].first, NoteCmd::kMainExit);
}

TEST(MerlaItem, ColourBaseFolderAndMinimise) {
    SuppressNotice(20064);
    auto note = OpenNote();
    SendMessageW(note->GetHandle(), NoteMsg::kSetColor, 0xFF112233, 0);
    int64_t color = 0;
    EXPECT_TRUE(RecordOf(*note).ReadInt64(NoteKey::kCurColor, color));
    EXPECT_EQ(static_cast<uint32_t>(color), 0xFF112233u);
    Command(*note, NoteCmd::kMinimise);
    EXPECT_FALSE(IsWindowVisible(note->GetHandle()));

    // The store moved the folder to a group: the note writes there from now on.
    const std::wstring base = GroupItemsDir() + L"工作\\";
    CreateDirectoryW(base.c_str(), nullptr);
    const std::wstring old_folder = note->Folder();
    MoveFileW(old_folder.substr(0, old_folder.size() - 1).c_str(), (base + note->Name()).c_str());
    note->SetBaseFolder(base);
    EXPECT_EQ(note->Folder(), base + note->Name() + L"\\");
    std::wstring dir;
    EXPECT_TRUE(RecordOf(*note).ReadText(NoteKey::kDir, dir));
    EXPECT_EQ(dir, base);
    SendMessageW(note->GetHandle(), NoteMsg::kSetAlpha, 0, 200);
    EXPECT_EQ(ReadInt(*note, NoteKey::kAlpha), 200);
    EXPECT_FALSE(Exists(old_folder));
}

TEST(MerlaItem, DeletingAsksAndHandsTheNoteToTheMainWindow) {
    FakeMain main;
    ASSERT_TRUE(main.Create(LWndMoveResize::kMainWindowId, L"", 0, WS_POPUP, 0, 0, 1, 1, nullptr));
    auto note = OpenNote();
    g_answer = MerlaMessageBox::kCancelId;
    SetTimer(nullptr, 0, 50, AnswerDeleteQuestion);
    Command(*note, NoteCmd::kDelete);
    EXPECT_TRUE(main.recycled.empty());
    g_answer = MerlaMessageBox::kOkId;
    SetTimer(nullptr, 0, 50, AnswerDeleteQuestion);
    Command(*note, NoteCmd::kDelete);
    ASSERT_EQ(main.recycled.size(), 1u);
    EXPECT_EQ(main.recycled[0], note->GetId());
}

TEST(MerlaItem, DesktopTieRetriesOnceWhenTheDesktopViewIsMissing) {
    FakeMain main;
    ASSERT_TRUE(main.Create(LWndMoveResize::kMainWindowId, L"", 0, WS_POPUP, 0, 0, 1, 1, nullptr));
    auto note = OpenNote();
    HWND progman = FindWindowW(L"Progman", L"Program Manager");
    HWND view = progman ? FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
    Command(*note, NoteCmd::kToDesk);
    if (view) {
        EXPECT_EQ(GetWindow(note->GetHandle(), GW_OWNER), view);
        EXPECT_EQ(main.desktop_checks, 0);
    } else {
        EXPECT_EQ(main.desktop_checks, 1);
        EXPECT_TRUE(PumpUntil([&] { return main.desktop_checks == 2; }, 3000));
        PumpFor(1500);
        EXPECT_EQ(main.desktop_checks, 2); // once, not again and again
        EXPECT_EQ(GetWindow(note->GetHandle(), GW_OWNER), nullptr);
    }
    // Untying stops a pending retry.
    Command(*note, NoteCmd::kToDesk);
    const int checks = main.desktop_checks;
    Command(*note, NoteCmd::kToDesk);
    Command(*note, NoteCmd::kToDesk);
    PumpFor(1300);
    EXPECT_LE(main.desktop_checks, checks + 1);
}

namespace {

// A 240 x 160 note on a picture of one colour, as a template is saved from.
std::unique_ptr<MerlaItem> TemplateSource(const std::wstring& file, uint32_t argb) {
    SuppressNotice(20059);
    auto note = OpenNote({}, 100, 100, 240, 160);
    const std::wstring picture = ExeDir() + file;
    EXPECT_TRUE(WriteSolidPng(picture, argb));
    EXPECT_TRUE(note->UseBackgroundFile(picture, file));
    RecordOf(*note).WriteRect({100, 100, 340, 260});
    return note;
}

} // namespace

TEST(MerlaItem, SaveAsTemplateItselfUsesTheTemplateGroupChosenLast) {
    auto note = TemplateSource(L"blue.png", 0xFF0000FF);
    auto count = [](const std::wstring& folder) {
        size_t n = 0;
        for (const std::wstring& name : ListEntries(folder))
            n += FolderExists(folder + name) ? 1 : 0;
        return n;
    };
    MerlaItem::LastTemplateGroup().clear();
    const size_t in_default = count(TplsDir());
    Command(*note, 30207); // nothing chosen yet: the default group
    EXPECT_EQ(count(TplsDir()), in_default + 1);
    note->SetTemplateGroupList({L"周报"});
    Command(*note, 31201);
    const std::wstring group = GroupTplsDir() + L"周报\\";
    EXPECT_EQ(count(group), 1u);
    Command(*note, 30207);
    EXPECT_EQ(count(group), 2u);
    EXPECT_EQ(count(TplsDir()), in_default + 1);
}

TEST(MerlaItem, SavedTemplateGivesAnotherNoteItsSizeAndPicture) {
    auto source = TemplateSource(L"red.png", 0xFFFF0000);
    source->SetTemplateGroupList({L"旅行"});
    Command(*source, NoteCmd::kTemplateToGroupFirst + 3); // clamped to the only group
    const std::wstring tpl_root = GroupTplsDir() + L"旅行\\";
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((tpl_root + L"*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::wstring tpl_name;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.')
            tpl_name = found.cFileName;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    ASSERT_FALSE(tpl_name.empty());

    auto target = OpenNote({}, 600, 300, 180, 180);
    SendMessageW(target->GetHandle(), NoteMsg::kApplyTemplate, reinterpret_cast<WPARAM>(tpl_name.c_str()),
                 reinterpret_cast<LPARAM>(L"旅行"));
    const RECT r = target->WindowRect();
    EXPECT_EQ(r.left, 600);
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(r.bottom - r.top, 160);
    EXPECT_EQ(target->BackBuffer().Pixel(120, 80), Opaque(0xFF0000));
    NoteRect stored;
    ASSERT_TRUE(RecordOf(*target).ReadRect(stored));
    EXPECT_EQ(stored.Width(), 240);
}

namespace {
// A stored item that reports what its note asks of it.
class BlueBox : public ColorWnd, public NoteChildItem {
public:
    BlueBox() : ColorWnd(0xFF0000FF) {}
    void SetBaseFolder(const std::wstring& base_folder) override { base = base_folder; }
    bool LayoutForNoteSize() override {
        ++layouts;
        return true;
    }
    std::wstring base;
    int layouts = 0;
};

std::unique_ptr<LWnd> MakeBlueBox(MerlaItem& note, int id) {
    auto box = std::make_unique<BlueBox>();
    NoteRect r;
    NoteRecord::ForChild(note.Folder(), id, NoteKey::kItemEdit).ReadRect(r);
    if (!box->Create(id, L"", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.Width(), r.Height(),
                     note.GetHandle()))
        return nullptr;
    return box;
}
} // namespace

TEST(MerlaItem, StoredItemsOfKnownKindsLoadAndARemovedOneLeavesTheRecord) {
    MerlaItem::RegisterChildItemKind(NoteKey::kItemEdit, MakeBlueBox);
    const std::wstring name = L"with_items";
    PrepareNote(name, {100, 100, 280, 280});
    NoteRecord record = NoteRecord::ForNote(NoteFolder(name), name);
    record.AddChildItem(300001, NoteKey::kItemEdit);
    record.AddChildItem(300002, L"SomethingElse");
    record.AddChildItem(0, NoteKey::kItemEdit);
    NoteRecord::ForChild(NoteFolder(name), 300001, NoteKey::kItemEdit).WriteRect({10, 10, 60, 40});
    auto note = OpenNote(name);
    ASSERT_EQ(note->AllItems().size(), 1u);
    EXPECT_EQ(note->AllItems()[0]->GetId(), 300001);
    EXPECT_EQ(note->BackBuffer().Pixel(20, 20), Opaque(0x0000FF));
    // The item follows its note into another folder and through a change of size.
    auto* box = dynamic_cast<BlueBox*>(note->AllItems()[0]);
    ASSERT_NE(box, nullptr);
    const int layouts = box->layouts;
    SetWindowPos(note->GetHandle(), nullptr, 0, 0, 220, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_GT(box->layouts, layouts);
    const std::wstring base = NoteItemsDir();
    note->SetBaseFolder(base);
    EXPECT_EQ(box->base, base);

    SendMessageW(note->GetHandle(), NoteMsg::kRemoveEditItem, 300001, 0);
    EXPECT_TRUE(note->AllItems().empty());
    EXPECT_EQ(note->BackBuffer().Pixel(20, 20), 0xFFADADACu);
    std::wstring updated;
    EXPECT_TRUE(RecordOf(*note).ReadText(NoteKey::kUpdateTime, updated));
    for (const ChildItemRef& ref : RecordOf(*note).LoadChildren())
        EXPECT_NE(ref.id, 300001);
    EXPECT_FALSE(Exists(note->Folder() + L"300001.xml"));
}
