// The main window in this process: its commands and messages posted as the tray menu, the note
// menus, the manager and the restore would, with the note records read back from the data folder.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/NoteRegistries.h"
#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/MerlaAbout.h"
#include "app/MerlaMain.h"
#include "app/MerlaMenuTray.h"
#include "app/base/RunFolder.h"
#include "manager/WindowStoreEvents.h"
#include "manager/ExportRequest.h"
#include "manager/MxMiManager.h"
#include "toolkit/MxMiMenuMoveToSub.h"
#include "note/MerlaItem.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileBytes.h"
#include "store/GroupList.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/NoteTemplate.h"
#include "store/StoreEvents.h"
#include "toolkit/MerlaMessageBox.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

NoteRecord RecordOf(const MerlaItem& note) {
    return NoteRecord::ForNote(note.Folder(), note.Name());
}

int ReadInt(const MerlaItem& note, const wchar_t* key, int fallback = -1) {
    int value = fallback;
    RecordOf(note).ReadInt(key, value);
    return value;
}

NoteRect StoredRect(const MerlaItem& note) {
    NoteRect r{};
    RecordOf(note).ReadRect(r);
    return r;
}

void PrepareNote(const std::wstring& base, const std::wstring& name, const NoteRect& rect) {
    EnsureFolder(base);
    EnsureFolder(base + name + L"\\");
    NoteRecord record = NoteRecord::ForNote(base + name + L"\\", name, 0);
    record.WriteText(NoteKey::kUnique, name);
    record.WriteRect(rect);
}

void SuppressNotice(int id) {
    MerlaMessageBox box(kMbOk | kMbNoMoreShow, L"", L"", 0);
    box.SetNoMoreShow(id, true);
}

int WorkAreaRight() {
    MONITORINFO info{sizeof(info)};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork.right;
}

// Runs the check on this thread inside the modal loop of the window with that id, once it is up.
struct ModalVisit {
    int id = 0;
    std::function<void(LWnd&)> check;
    bool visited = false;
};
ModalVisit* g_visit = nullptr;

void CALLBACK VisitModal(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!g_visit)
        return;
    LWnd* window = LWnd::FromId(g_visit->id);
    if (!window || !IsWindowVisible(window->GetHandle()))
        return;
    KillTimer(nullptr, timer);
    g_visit->visited = true;
    g_visit->check(*window);
    EndDialog(window->GetHandle(), kMbOk);
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        wchar_t buf[MAX_PATH] = {};
        DWORD size = sizeof(buf);
        had_run_folder_ = RegGetValueW(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue, RRF_RT_REG_SZ,
                                       nullptr, buf, &size) == ERROR_SUCCESS;
        saved_run_folder_ = buf;
        // This folder is where the program ran before: nothing to ask at start.
        StoreRunFolder(ExeDir());
        CurrentGroup().clear();
        // A data folder that has been used: the shipped templates are not installed again.
        TplsDir();
    }
    void TearDown() override {
        main_.reset();
        PumpFor(50);
        if (had_run_folder_)
            StoreRunFolder(saved_run_folder_);
        else
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue);
    }

    static void StoreRunFolder(const std::wstring& path) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunFolderKey, &key), ERROR_SUCCESS);
        RegSetValueExW(key, kRunFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    MerlaMain& Start() {
        main_ = std::make_unique<MerlaMain>();
        EXPECT_TRUE(main_->Create(MerlaMain::kId, L"", MerlaMain::kExStyle, MerlaMain::kStyle, 960, 412, 0, 0,
                                  nullptr));
        PumpMessages();
        return *main_;
    }

    LRESULT Command(int command, LPARAM lp = 0) {
        return SendMessageW(main_->GetHandle(), LNotify::kCommand, static_cast<WPARAM>(command), lp);
    }
    LRESULT Message(UINT message, WPARAM wp = 0, LPARAM lp = 0) {
        return SendMessageW(main_->GetHandle(), message, wp, lp);
    }
    MerlaItem& NewNote(LPARAM lp = 0) {
        const size_t before = main_->Notes().size();
        Command(TrayCmd::kNewNote, lp);
        EXPECT_EQ(main_->Notes().size(), before + 1);
        PumpMessages();
        return *main_->Notes().back();
    }
    // Opens the tray menu as a right click on the icon does, and closes it again at once.
    std::vector<std::wstring> OpenAndCloseTrayMenu() {
        MerlaMenuTray* menu = main_->OpenTrayMenu(POINT{300, 300});
        EXPECT_NE(menu, nullptr);
        std::vector<std::wstring> groups = menu ? menu->GroupNames() : std::vector<std::wstring>{};
        if (menu)
            menu->HideMenu();
        return groups;
    }

    std::unique_ptr<MerlaMain> main_;

private:
    bool had_run_folder_ = false;
    std::wstring saved_run_folder_;
};

} // namespace

TEST_F(MainWindow, IsTheToolkitWindowOfItsIdWithATrayIcon) {
    MerlaMain& main = Start();
    EXPECT_EQ(LWnd::HandleFromId(MerlaMain::kId), main.GetHandle());
    EXPECT_EQ(MerlaMain::MainWindow(), main.GetHandle());
    EXPECT_TRUE(main.HasTrayIcon());
    EXPECT_TRUE(FolderExists(NoteItemsDir()) && FolderExists(GroupItemsDir()) && FolderExists(RecycleDir()));
}

TEST_F(MainWindow, NewNoteWithoutNotesOrTemplatesIsPlainAtTheDefaultPlace) {
    Start();
    MerlaItem& note = NewNote();
    const RECT r = note.WindowRect();
    EXPECT_EQ(r.left, WorkAreaRight() - 296);
    EXPECT_EQ(r.top, 180);
    EXPECT_EQ(r.right - r.left, 180);
    EXPECT_EQ(r.bottom - r.top, 180);
    const NoteRect stored = StoredRect(note);
    EXPECT_EQ(stored.left, r.left);
    EXPECT_EQ(stored.bottom, r.bottom);
    std::wstring created, updated, bkimage;
    EXPECT_TRUE(RecordOf(note).ReadText(NoteKey::kDateTime, created));
    EXPECT_TRUE(RecordOf(note).ReadText(NoteKey::kUpdateTime, updated));
    EXPECT_FALSE(RecordOf(note).ReadText(NoteKey::kBkImage, bkimage));
    EXPECT_EQ(note.BackBuffer().Pixel(90, 90), 0xFFADADACu);
    EXPECT_TRUE(IsWindowVisible(note.GetHandle()));
}

TEST_F(MainWindow, AFreshDataFolderGetsTheShippedTemplatesOnceAndTheFirstNoteUsesOne) {
    DeleteTree(TplsDir());
    Start();
    const std::wstring first = TplsDir() + L"20261201000000001_01\\";
    EXPECT_TRUE(FileExists(first + L"20261201000000001_01.xml"));
    EXPECT_TRUE(FileExists(first + L"bkimage_20261201000000001_01_paper.png"));
    EXPECT_GE(ListEntries(TplsDir()).size(), 3u);
    MerlaItem& note = NewNote();
    const RECT r = note.WindowRect();
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(r.bottom - r.top, 240);
    std::wstring bkimage;
    EXPECT_TRUE(RecordOf(note).ReadText(NoteKey::kBkImage, bkimage));
    EXPECT_EQ(bkimage, L"bkimage_20261201000000001_01_paper.png");
    EXPECT_NE(note.BackBuffer().Pixel(120, 120), 0xFFADADACu);

    // Templates the user deleted stay deleted.
    main_.reset();
    PumpFor(50);
    DeleteTree(first);
    Start();
    EXPECT_FALSE(FolderExists(TplsDir() + L"20261201000000001_01"));
}

TEST_F(MainWindow, NewNoteFromAPointLiesLeftOfAndBelowIt) {
    Start();
    MerlaItem& note = NewNote(Point(500, 300));
    const RECT r = note.WindowRect();
    EXPECT_EQ(r.left, 470);
    EXPECT_EQ(r.top, 330);
    EXPECT_EQ(StoredRect(note).left, 470);
    EXPECT_EQ(StoredRect(note).top, 330);
}

TEST_F(MainWindow, NewNoteTakesSizePictureAndColourOfTheLastActiveNote) {
    Start();
    MerlaItem& source = NewNote(Point(400, 200));
    ASSERT_TRUE(WriteSolidPng(ExeDir() + L"sea.png", 0xFF2080C0));
    ASSERT_TRUE(source.UseBackgroundFile(ExeDir() + L"sea.png", L"sea.png"));
    SetWindowPos(source.GetHandle(), nullptr, 0, 0, 240, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    source.SaveRect();
    source.SetCurColor(0xFF112233);
    NewNote(Point(900, 100)); // the last note, but not the one last pressed
    SendMessageW(source.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    SendMessageW(source.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    ASSERT_EQ(LastActiveNote(), &source);

    MerlaItem& made = NewNote(Point(600, 500));
    const RECT r = made.WindowRect();
    EXPECT_EQ(r.left, 570);
    EXPECT_EQ(r.top, 530);
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(StoredRect(made).right, 570 + 240);
    std::wstring bkimage;
    ASSERT_TRUE(RecordOf(made).ReadText(NoteKey::kBkImage, bkimage));
    EXPECT_EQ(bkimage, source.BackgroundFile());
    EXPECT_TRUE(Exists(made.Folder() + bkimage));
    EXPECT_EQ(made.CurColor(), 0xFF112233u);
    EXPECT_EQ(static_cast<uint32_t>(ReadInt(made, NoteKey::kCurColor)), 0xFF112233u);
    // The program's own template served once and is gone.
    EXPECT_FALSE(FolderExists(TplsDir() + kTempTemplateName));
}

TEST_F(MainWindow, NewNoteFromAPlainNoteTakesItsColourButNoTemplate) {
    Start();
    MerlaItem& plain = NewNote(Point(400, 200));
    plain.SetCurColor(0xFF336699);
    // A template with a picture is there now, but a note to copy from comes first.
    const std::wstring pictured = TplsDir() + L"pictured\\";
    EnsureFolder(pictured);
    ASSERT_TRUE(WriteSolidPng(pictured + L"meadow.png", 0xFF40A040));
    {
        CXmlDoc doc;
        ASSERT_TRUE(doc.SetDoc(L"<TplItem>\r\n<left>0</left>\r\n<top>0</top>\r\n<right>200</right>\r\n"
                               L"<bottom>150</bottom>\r\n<bkimage>meadow.png</bkimage>\r\n</TplItem>\r\n"));
        ASSERT_TRUE(doc.Save(pictured + L"pictured.xml"));
    }
    MerlaItem& made = NewNote(Point(700, 200));
    EXPECT_EQ(made.WindowRect().right - made.WindowRect().left, 180);
    EXPECT_TRUE(made.BackgroundFile().empty());
    EXPECT_EQ(made.CurColor(), 0xFF336699u);
    EXPECT_EQ(static_cast<uint32_t>(ReadInt(made, NoteKey::kCurColor)), 0xFF336699u);
    EXPECT_FALSE(FolderExists(TplsDir() + kTempTemplateName));
}

TEST_F(MainWindow, WithoutNotesTheFirstTemplateWithItsPictureGivesTheLook) {
    // A template whose picture is missing is passed over; a stale template of the program's own goes.
    const std::wstring plain = TplsDir() + L"a_plain\\";
    EnsureFolder(plain);
    {
        CXmlDoc doc;
        ASSERT_TRUE(doc.SetDoc(L"<TplItem>\r\n<left>0</left>\r\n<top>0</top>\r\n<right>300</right>\r\n"
                               L"<bottom>300</bottom>\r\n<bkimage>gone.png</bkimage>\r\n</TplItem>\r\n"));
        ASSERT_TRUE(doc.Save(plain + L"a_plain.xml"));
    }
    const std::wstring pictured = TplsDir() + L"b_pictured\\";
    EnsureFolder(pictured);
    ASSERT_TRUE(WriteSolidPng(pictured + L"meadow.png", 0xFF40A040));
    {
        CXmlDoc doc;
        ASSERT_TRUE(doc.SetDoc(L"<TplItem>\r\n<left>0</left>\r\n<top>0</top>\r\n<right>200</right>\r\n"
                               L"<bottom>150</bottom>\r\n<bkimage>meadow.png</bkimage>\r\n</TplItem>\r\n"));
        ASSERT_TRUE(doc.Save(pictured + L"b_pictured.xml"));
    }
    EnsureFolder(TplsDir() + kTempTemplateName + L"\\");
    Start();
    MerlaItem& note = NewNote();
    const RECT r = note.WindowRect();
    EXPECT_EQ(r.left, WorkAreaRight() - 296);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
    EXPECT_EQ(note.BackgroundFile(), L"meadow.png");
    EXPECT_TRUE(Exists(note.Folder() + L"meadow.png"));
    EXPECT_FALSE(FolderExists(TplsDir() + kTempTemplateName));
}

TEST_F(MainWindow, GroupCommandsUseTheGroupsOfTheLastTrayMenuClamped) {
    EnsureFolder(GroupItemsDir() + L"工作\\");
    EnsureFolder(GroupItemsDir() + L"生活\\");
    MerlaMain& main = Start();
    // Before any tray menu the list is empty: a group command does nothing.
    Command(TrayCmd::kNewInDefaultGroup + 1);
    EXPECT_TRUE(main.Notes().empty());

    const std::vector<std::wstring> groups = OpenAndCloseTrayMenu();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(main.GroupList(), groups);
    EXPECT_EQ(std::set<std::wstring>(groups.begin(), groups.end()),
              (std::set<std::wstring>{L"工作", L"生活"}));
    // Beyond the list: the last group.
    Command(TrayCmd::kNewInDefaultGroup + 1 + 7);
    ASSERT_EQ(main.Notes().size(), 1u);
    const MerlaItem& in_group = *main.Notes().back();
    EXPECT_EQ(in_group.Group(), groups.back());
    EXPECT_EQ(in_group.Folder(), GroupItemsDir() + groups.back() + L"\\" + in_group.Name() + L"\\");
    std::wstring stored_group;
    RecordOf(in_group).ReadText(NoteKey::kGroup, stored_group);
    EXPECT_EQ(stored_group, groups.back());
    EXPECT_EQ(CurrentGroup(), groups.back());
    // The first group, then the default group.
    Command(TrayCmd::kNewInDefaultGroup + 1);
    EXPECT_EQ(main.Notes().back()->Group(), groups.front());
    Command(TrayCmd::kNewInDefaultGroup);
    EXPECT_EQ(main.Notes().back()->Folder(), NoteItemsDir() + main.Notes().back()->Name() + L"\\");
    EXPECT_TRUE(CurrentGroup().empty());
    // A group made in between shows in the next menu.
    EnsureFolder(GroupItemsDir() + L"旅行\\");
    EXPECT_EQ(OpenAndCloseTrayMenu().size(), 3u);
}

TEST_F(MainWindow, TrayMenuItemsPicturesAndSubmenus) {
    EnsureFolder(GroupItemsDir() + L"工作\\");
    MerlaMain& main = Start();
    MerlaItem& shown = NewNote(Point(300, 200));
    MerlaItem& minimised = NewNote(Point(600, 200));
    MerlaItem& through = NewNote(Point(900, 200));
    minimised.Show(SW_HIDE);
    through.WritePassThrough(true);

    MerlaMenuTray* menu = main.OpenTrayMenu(POINT{400, 400});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetId(), MerlaMenuTray::kId);
    wchar_t caption[64] = {};
    GetWindowTextW(menu->GetHandle(), caption, 64);
    EXPECT_STREQ(caption, L"系统托盘菜单");
    EXPECT_TRUE(IsWindowVisible(menu->GetHandle()));
    const struct {
        int command;
        const wchar_t* text;
        const wchar_t* picture;
    } expected[] = {{30102, L"添加便签", L"addnote.png"},     {30109, L"还原最小化", L"visible.png"},
                    {30111, L"还原鼠标穿透", L"retrans.png"}, {30104, L"管理", L"manager.png"},
                    {30113, L"留言反馈", L"message.png"},     {30105, L"关于...", L"Merla.png"},
                    {30114, L"捐助", L"donate.png"},          {30103, L"退出", L""}};
    int last_top = -1;
    for (const auto& e : expected) {
        MerlaMenuItem* item = menu->ItemOf(e.command);
        ASSERT_NE(item, nullptr) << e.command;
        wchar_t text[64] = {};
        GetWindowTextW(item->GetHandle(), text, 64);
        EXPECT_STREQ(text, e.text);
        EXPECT_EQ(item->GetIcon(), e.picture);
        if (*e.picture) {
            EXPECT_TRUE(Exists(ResDir() + e.picture)) << e.picture;
        }
        const RECT r = item->WindowRect();
        EXPECT_GT(r.top, last_top);
        last_top = r.top;
    }
    // The group submenu: the folder, then the default group.
    const auto& group_items = menu->GroupSub().Items();
    ASSERT_EQ(group_items.size(), 2u);
    EXPECT_EQ(group_items[0]->GetId(), 31001);
    EXPECT_EQ(group_items[1]->GetId(), 31000);
    // The list submenus hold the minimised and the pass-through notes.
    ASSERT_EQ(menu->ShowSub().View().Entries().size(), 1u);
    EXPECT_EQ(menu->ShowSub().View().Entries()[0].name, minimised.Name());
    ASSERT_EQ(menu->ReTransSub().View().Entries().size(), 1u);
    EXPECT_EQ(menu->ReTransSub().View().Entries()[0].name, through.Name());
    EXPECT_EQ(menu->ShowSub().AllItem().GetId(), 30109);
    EXPECT_EQ(menu->ReTransSub().AllItem().GetId(), 30111);
    // Hovering the first item opens the group submenu.
    SendMessageW(menu->ItemOf(30102)->GetHandle(), WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(IsWindowVisible(menu->GroupSub().GetHandle()));

    // Choosing the minimised note shows it again and closes the menu.
    menu->ShowSub().View().Pick(0);
    EXPECT_TRUE(IsWindowVisible(minimised.GetHandle()));
    EXPECT_FALSE(IsWindowVisible(menu->GetHandle()));
    EXPECT_TRUE(IsWindowVisible(shown.GetHandle()));
    PumpFor(1200); // the closed menu frees itself

    menu = main.OpenTrayMenu(POINT{400, 400});
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->ShowSub().View().Entries().empty());
    menu->ReTransSub().View().Pick(0);
    EXPECT_FALSE(through.IsPassThrough());
    EXPECT_FALSE(GetWindowLongPtrW(through.GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_EQ(ReadInt(through, NoteKey::kIsTrans), 0);
}

TEST_F(MainWindow, HidingWritesTheRecordClosesTheWindowAndItStaysHidden) {
    SuppressNotice(20060);
    MerlaMain& main = Start();
    MerlaItem& note = NewNote(Point(400, 300));
    const std::wstring name = note.Name(), folder = note.Folder();
    const HWND window = note.GetHandle();
    Command(NoteCmd::kHide, note.GetId());
    EXPECT_TRUE(main.Notes().empty());
    EXPECT_FALSE(IsWindow(window));
    NoteRecord record = NoteRecord::ForNote(folder, name);
    int hidden = 0;
    std::wstring pngview;
    EXPECT_TRUE(record.ReadInt(NoteKey::kIsHide, hidden));
    EXPECT_EQ(hidden, 1);
    ASSERT_TRUE(record.ReadText(NoteKey::kPngView, pngview));
    EXPECT_TRUE(Exists(folder + pngview));
    // A reload does not bring it back, nor does an unknown id do anything.
    Message(MSG_MAIN_RELOAD_NOTES);
    EXPECT_TRUE(main.Notes().empty());
    Command(NoteCmd::kHide, 999999);
    EXPECT_TRUE(main.Notes().empty());
}

TEST_F(MainWindow, NoticesShowUntilTheyAreTicked) {
    MerlaMain& main = Start();
    MerlaItem& a = NewNote(Point(300, 300));
    MerlaItem& b = NewNote(Point(600, 300));
    std::wstring shown_text;
    ModalVisit visit{20064, [&](LWnd& box) {
                         if (auto* m = dynamic_cast<MerlaMessageBox*>(&box))
                             shown_text = m->GetMessage();
                     }};
    g_visit = &visit;
    SetTimer(nullptr, 0, 50, VisitModal);
    Command(NoteCmd::kMinimiseAll);
    g_visit = nullptr;
    EXPECT_TRUE(visit.visited);
    EXPECT_EQ(shown_text, L"便签已最小化，您可以通过右键托盘菜单中的显示便签重新显示！");
    EXPECT_FALSE(IsWindowVisible(a.GetHandle()));
    EXPECT_FALSE(IsWindowVisible(b.GetHandle()));
    // Ticked: minimising again hides without a word; the tray's left click shows them all.
    SuppressNotice(20064);
    Command(TrayCmd::kShowAll);
    EXPECT_TRUE(IsWindowVisible(a.GetHandle()) && IsWindowVisible(b.GetHandle()));
    Command(NoteCmd::kMinimiseAll);
    EXPECT_FALSE(IsWindowVisible(a.GetHandle()));
    SendMessageW(main.GetHandle(), LNotify::kTray, 0, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(a.GetHandle()) && IsWindowVisible(b.GetHandle()));
}

TEST_F(MainWindow, RecyclingMovesTheFolderAndDeletedNamesGoToo) {
    MerlaMain& main = Start();
    MerlaItem& a = NewNote(Point(300, 300));
    MerlaItem& b = NewNote(Point(500, 300));
    MerlaItem& c = NewNote(Point(700, 300));
    const std::wstring a_name = a.Name(), a_folder = a.Folder();
    Message(MSG_MAIN_RECYCLE_NOTE, static_cast<WPARAM>(a.GetId()));
    EXPECT_EQ(main.Notes().size(), 2u);
    EXPECT_FALSE(FolderExists(a_folder));
    EXPECT_TRUE(Exists(RecycleDir() + a_name + L"\\" + a_name + L".xml"));

    const std::wstring b_name = b.Name(), c_name = c.Name();
    NoteNameSet names{b_name, L"not_open"};
    Message(MSG_MAIN_NOTES_DELETED, 0, reinterpret_cast<LPARAM>(&names));
    ASSERT_EQ(main.Notes().size(), 1u);
    EXPECT_EQ(main.Notes().front()->Name(), c_name);
    EXPECT_TRUE(Exists(RecycleDir() + b_name + L"\\" + b_name + L".xml"));
    // Recycled notes are not reloaded.
    Message(MSG_MAIN_RELOAD_NOTES);
    EXPECT_EQ(main.Notes().size(), 1u);
}

TEST_F(MainWindow, PassThroughForAllAndBackFromTheTray) {
    SuppressNotice(20063);
    MerlaMain& main = Start();
    NewNote(Point(300, 300));
    NewNote(Point(600, 300));
    Command(NoteCmd::kPassThroughAll);
    for (const auto& note : main.Notes()) {
        EXPECT_TRUE(GetWindowLongPtrW(note->GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
        EXPECT_TRUE(note->IsPassThrough());
        EXPECT_EQ(ReadInt(*note, NoteKey::kIsTrans), 1);
    }
    Command(TrayCmd::kClearPassThrough);
    PumpMessages(); // the notes get the command posted
    for (const auto& note : main.Notes()) {
        EXPECT_FALSE(GetWindowLongPtrW(note->GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
        EXPECT_EQ(ReadInt(*note, NoteKey::kIsTrans), 0);
    }
}

TEST_F(MainWindow, ToggleMessagesNameTheirNote) {
    Start();
    MerlaItem& note = NewNote(Point(300, 300));
    MerlaMTEntry entry{note.Name(), LSurface(), RECT{}};
    EXPECT_EQ(Message(MSG_MAIN_TOGGLE_SHOW, reinterpret_cast<WPARAM>(&entry)), 1);
    EXPECT_FALSE(IsWindowVisible(note.GetHandle()));
    EXPECT_EQ(Message(MSG_MAIN_TOGGLE_SHOW, reinterpret_cast<WPARAM>(&entry)), 1);
    EXPECT_TRUE(IsWindowVisible(note.GetHandle()));
    EXPECT_EQ(Message(MSG_MAIN_TOGGLE_TRANS, reinterpret_cast<WPARAM>(&entry)), 1);
    EXPECT_TRUE(note.IsPassThrough());
    EXPECT_EQ(ReadInt(note, NoteKey::kIsTrans), 1);
    EXPECT_EQ(Message(MSG_MAIN_TOGGLE_TRANS, reinterpret_cast<WPARAM>(&entry)), 1);
    EXPECT_EQ(ReadInt(note, NoteKey::kIsTrans), 0);
    // No entry, or a note that is not open: nothing.
    EXPECT_EQ(Message(MSG_MAIN_TOGGLE_SHOW, 0), 0);
    MerlaMTEntry stranger{L"not_open", LSurface(), RECT{}};
    EXPECT_EQ(Message(MSG_MAIN_TOGGLE_TRANS, reinterpret_cast<WPARAM>(&stranger)), 1);
}

TEST_F(MainWindow, ReloadOpensOnlyNotesNotOpenYet) {
    PrepareNote(NoteItemsDir(), L"first", {100, 100, 280, 280});
    MerlaMain& main = Start();
    ASSERT_EQ(main.Notes().size(), 1u);
    PrepareNote(GroupItemsDir() + L"工作\\", L"second", {400, 100, 580, 280});
    Message(MSG_MAIN_RELOAD_NOTES);
    ASSERT_EQ(main.Notes().size(), 2u);
    EXPECT_EQ(main.Notes().back()->Name(), L"second");
    EXPECT_EQ(main.Notes().back()->WindowRect().left, 400);
    EXPECT_EQ(MerlaMain::FindOpenNote(L"second"), main.Notes().back().get());
}

TEST_F(MainWindow, EveryOpenNoteHasAnIdOfItsOwn) {
    // Ids a fresh window would take next, held by hidden notes of an earlier run.
    LObject probe;
    const int next = probe.GetId() + 1;
    std::set<int> hidden_ids;
    for (int i = 0; i < 40; ++i) {
        const std::wstring name = L"hidden" + std::to_wstring(i);
        PrepareNote(NoteItemsDir(), name, {100, 100, 280, 280});
        NoteRecord record = NoteRecord::ForNote(NoteItemsDir() + name + L"\\", name);
        record.WriteInt(NoteKey::kId, next + i);
        record.WriteInt(NoteKey::kIsHide, 1);
        hidden_ids.insert(next + i);
    }
    // A copied folder: two notes with one stored id.
    for (const wchar_t* name : {L"copy1", L"copy2"}) {
        PrepareNote(NoteItemsDir(), name, {300, 100, 480, 280});
        NoteRecord::ForNote(NoteItemsDir() + name + L"\\", name).WriteInt(NoteKey::kId, 4242);
    }
    MerlaMain& main = Start();
    ASSERT_EQ(main.Notes().size(), 2u);
    MerlaItem& first = *main.Notes()[0];
    MerlaItem& second = *main.Notes()[1];
    EXPECT_NE(first.GetId(), second.GetId());
    EXPECT_EQ(ReadInt(first, NoteKey::kId), first.GetId());
    EXPECT_EQ(ReadInt(second, NoteKey::kId), second.GetId());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(hidden_ids.count(NewNote().GetId()), 0u) << "a new note took a hidden note's id";
}

TEST_F(MainWindow, RestoreReplacesTheOpenNotesWithTheUnpackedData) {
    PrepareNote(NoteItemsDir(), L"kept", {100, 100, 280, 280});
    MerlaMain& main = Start();
    ASSERT_EQ(main.Notes().size(), 1u);
    const HWND before = main.Notes().front()->GetHandle();
    const std::wstring unpacked = ExeDir() + L"unpacked\\NoteData\\";
    EnsureFolder(ExeDir() + L"unpacked\\");
    EnsureFolder(unpacked);
    PrepareNote(unpacked + L"NoteItems\\", L"kept", {700, 100, 880, 280});
    PrepareNote(unpacked + L"NoteItems\\", L"restored", {300, 300, 480, 480});
    RestoreRequest keep_existing{unpacked, false};
    Message(MSG_MAIN_RESTORE_DATA, reinterpret_cast<WPARAM>(&keep_existing));
    ASSERT_EQ(main.Notes().size(), 2u);
    // Reopened: a new window (it may take the id its record now keeps).
    EXPECT_NE(main.Notes().front()->GetHandle(), before);
    // Without "替换" the note already there keeps its own record.
    EXPECT_EQ(MerlaMain::FindOpenNote(L"kept")->WindowRect().left, 100);
    EXPECT_EQ(MerlaMain::FindOpenNote(L"restored")->WindowRect().left, 300);
    RestoreRequest replace{unpacked, true};
    Message(MSG_MAIN_RESTORE_DATA, reinterpret_cast<WPARAM>(&replace));
    ASSERT_EQ(main.Notes().size(), 2u);
    EXPECT_EQ(MerlaMain::FindOpenNote(L"kept")->WindowRect().left, 700);
}

TEST_F(MainWindow, DesktopCheckFlashesTheClickHelperWhereNoDesktopViewIs) {
    MerlaMain& main = Start();
    PumpFor(400);
    ASSERT_NE(main.ClickHelper(), nullptr);
    EXPECT_FALSE(IsWindowVisible(main.ClickHelper()));
    HWND progman = FindWindowW(L"Progman", L"Program Manager");
    if (progman && FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr))
        GTEST_SKIP() << "the desktop view is where it belongs: nothing to do";
    Message(MSG_MAIN_CHECK_DESKTOP);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_TRUE(IsWindowVisible(main.ClickHelper()));
    RECT r{};
    GetWindowRect(main.ClickHelper(), &r);
    EXPECT_EQ(r.left, cursor.x - 1);
    EXPECT_EQ(r.right - r.left, 2);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main.ClickHelper()); }, 2000));
}

TEST_F(MainWindow, AboutBoxShowsTheProductAndTheSite) {
    Start();
    std::wstring text, link;
    ModalVisit visit{MerlaAbout::kId, [&](LWnd& window) {
                         if (auto* about = dynamic_cast<MerlaAbout*>(&window)) {
                             text = about->Text().GetText();
                             link = about->Link().GetText();
                         }
                     }};
    g_visit = &visit;
    SetTimer(nullptr, 0, 50, VisitModal);
    Command(TrayCmd::kAbout);
    g_visit = nullptr;
    ASSERT_TRUE(visit.visited);
    EXPECT_EQ(text.rfind(L"Velin\r", 0), 0u) << "begins with the name and a line break";
    EXPECT_NE(text.find(L"版本："), std::wstring::npos);
    EXPECT_EQ(link.rfind(L"网址：", 0), 0u);
}

TEST_F(MainWindow, ExitClosesEveryNoteAndTheTrayIconAndEndsTheLoop) {
    MerlaMain& main = Start();
    NewNote(Point(300, 300));
    NewNote(Point(600, 300));
    std::vector<HWND> windows;
    for (const auto& note : main.Notes())
        windows.push_back(note->GetHandle());
    Command(TrayCmd::kExit);
    EXPECT_TRUE(main.Notes().empty());
    for (HWND w : windows)
        EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(main.HasTrayIcon());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    // The records stay for the next start.
    EXPECT_EQ(ListEntries(NoteItemsDir()).size(), 2u);
}

TEST_F(MainWindow, TheStoresEventsReachTheOpenNotes) {
    SuppressNotice(20060);
    MerlaMain& main = Start();
    MerlaItem& a = NewNote(Point(300, 300));
    MerlaItem& b = NewNote(Point(600, 300));
    MerlaItem& c = NewNote(Point(900, 300));
    const std::wstring a_name = a.Name(), b_name = b.Name(), c_name = c.Name();
    WindowStoreEvents events;
    GroupList groups;
    NoteStore store(events, groups);
    EXPECT_EQ(events.FindOpenNote(a_name), a.GetId());
    EXPECT_EQ(events.FindOpenNote(L"not_open"), 0);

    // Deleted from the manager: the open note closes and its folder is in the bin.
    store.DeleteNotes(L"", {a_name});
    EXPECT_EQ(MerlaMain::FindOpenNote(a_name), nullptr);
    EXPECT_TRUE(Exists(RecycleDir() + a_name + L"\\" + a_name + L".xml"));

    // Moved to a group: the open note writes into its new folder from now on.
    ASSERT_TRUE(store.MoveNotesToGroup(L"", {b_name}, L"工作"));
    const std::wstring moved = GroupItemsDir() + L"工作\\";
    EXPECT_EQ(b.BaseFolder(), moved);
    std::wstring dir;
    NoteRecord::ForNote(moved + b_name + L"\\", b_name).ReadText(NoteKey::kDir, dir);
    EXPECT_EQ(dir, moved);
    b.SetNoteAlpha(120);
    int alpha = 0;
    EXPECT_TRUE(NoteRecord::ForNote(moved + b_name + L"\\", b_name).ReadInt(NoteKey::kAlpha, alpha));
    EXPECT_EQ(alpha, 120);
    EXPECT_FALSE(FolderExists(NoteItemsDir() + b_name));

    // Hidden from the manager: the hide is posted to the main window.
    store.HideNotes(L"", {c_name});
    EXPECT_TRUE(PumpUntil([&] { return MerlaMain::FindOpenNote(c_name) == nullptr; }, 2000));
    EXPECT_EQ(main.Notes().size(), 1u);
}

TEST_F(MainWindow, ManageOpensTheManagerWindowOnce) {
    Start();
    std::wstring title;
    bool owned = true;
    ModalVisit visit{MxMiManager::kId, [&](LWnd& window) {
                         wchar_t text[64] = {};
                         GetWindowTextW(window.GetHandle(), text, 64);
                         title = text;
                         owned = GetWindow(window.GetHandle(), GW_OWNER) != nullptr;
                     }};
    g_visit = &visit;
    SetTimer(nullptr, 0, 50, VisitModal);
    Command(TrayCmd::kManager);
    g_visit = nullptr;
    ASSERT_TRUE(visit.visited);
    EXPECT_EQ(title, L"便签管理");
    EXPECT_FALSE(owned);
    EXPECT_EQ(LWnd::HandleFromId(MxMiManager::kId), nullptr);
}

namespace {
int AnswerOk(HWND, const std::wstring&, int) {
    return kMbOk;
}
} // namespace

// As a user goes through the manager from the tray: a group picked, a word searched, a note deleted
// and restored, two notes exported as pictures; once the manager is closed the desktop agrees.
TEST_F(MainWindow, TheManagerFromTheTrayAndTheDesktopAgree) {
    SuppressNotice(20060);
    const std::wstring work = GroupItemsDir() + L"工作\\";
    const std::wstring w_name = L"20261201000000000_100500";
    PrepareNote(work, w_name, NoteRect{300, 500, 480, 680});
    NoteRecord::ForNote(work + w_name + L"\\", w_name).AddChildItem(100501, NoteKey::kRichEdit);
    ASSERT_TRUE(WriteFileAtomic(work + w_name + L"\\100501_rtf",
                                "{\\rtf1\\ansi\\ansicpg936\\f0\\fs20 Velin notes\\par}"));
    MerlaMain& main = Start();
    MerlaItem& a = NewNote(Point(300, 300));
    MerlaItem& b = NewNote(Point(600, 300));
    const std::wstring a_name = a.Name(), b_name = b.Name();
    ASSERT_EQ(main.Notes().size(), 3u);
    const std::wstring pictures = ExeDir() + L"pictures\\";
    EnsureFolder(pictures);
    MxMiNote::SetMessageBoxHook(&AnswerOk);
    bool found_in_work = false, deleted_closed = false, restored_open = false;
    ExportOutcome exported = kExportNotStarted;
    ModalVisit visit{
        MxMiManager::kId, [&](LWnd& window) {
            MxMiNote& page = static_cast<MxMiManager&>(window).NotesPage();
            MxMiNList& cards = page.Cards();
            auto pick = [&](const std::wstring& name) {
                for (size_t i = 0; i < cards.Cards().size(); ++i) {
                    if (cards.Cards()[i].note.name == name) {
                        const RECT r = cards.CardClientRect(i);
                        cards.OnClick(0, r.left + 2, r.top + 2);
                    }
                }
            };
            // Group "工作" from the group list, then a search from the default group.
            const RECT row = {0, page.Groups().IndexOf(L"工作") * 36};
            page.GroupListCtl().OnClick(0, row.left + 10, row.top + 10);
            PumpMessages();
            const bool picked = page.CurrentGroup() == L"工作" && cards.Cards().size() == 1;
            page.ShowGroup(page.Groups().IndexOf(L"系统分组"));
            page.Search(L"VELIN");
            found_in_work = picked && page.CurrentGroup() == L"工作" && cards.Cards().size() == 1 &&
                            cards.Cards()[0].search_hit;
            page.ShowGroup(page.Groups().IndexOf(L"系统分组"));
            pick(a_name);
            page.RunCommand(20043);
            PumpMessages();
            deleted_closed = MerlaMain::FindOpenNote(a_name) == nullptr;
            page.ShowGroup(page.Groups().IndexOf(L"回收站"));
            pick(a_name);
            page.RunCommand(20044);
            restored_open = PumpUntil([&] { return MerlaMain::FindOpenNote(a_name) != nullptr; }, 3000);
            page.ShowGroup(page.Groups().IndexOf(L"系统分组"));
            exported = RunExportTo(window.GetHandle(), 32003, L"系统分组", {a_name, b_name}, pictures);
        }};
    g_visit = &visit;
    SetTimer(nullptr, 0, 50, VisitModal);
    Command(TrayCmd::kManager);
    g_visit = nullptr;
    MxMiNote::SetMessageBoxHook(nullptr);
    ASSERT_TRUE(visit.visited);
    EXPECT_TRUE(found_in_work);
    EXPECT_TRUE(deleted_closed);
    EXPECT_TRUE(restored_open);
    EXPECT_EQ(exported, kExportCompleted);
    EXPECT_TRUE(Exists(pictures + a_name + L".png"));
    EXPECT_TRUE(Exists(pictures + b_name + L".png"));
    // The desktop: the same three notes, the restored one back in the default group.
    PumpMessages();
    EXPECT_EQ(main.Notes().size(), 3u);
    EXPECT_TRUE(Exists(NoteItemsDir() + a_name + L"\\" + a_name + L".xml"));
    EXPECT_TRUE(ListEntries(RecycleDir()).empty());
}
