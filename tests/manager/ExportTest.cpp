// Export of the selected notes and a note's picture read off-screen: notes made on disk in the
// test's own data folder, exported through the real progress dialog and thread, files read back.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/MessageBoxBits.h"
#include "manager/ExportRequest.h"
#include "manager/MerlaExportMsg.h"
#include "manager/MxMiMenuExport.h"
#include "note/MerlaItem.h"
#include "note/NotePicture.h"
#include "note/NoteRichContent.h"
#include "richtext/GlyphDocument.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/xml/FileBytes.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::wstring kGroup = L"导出";
const std::wstring kFirst = L"20240101080000001_01", kSecond = L"20240101080000002_02",
                   kThird = L"20240101080000003_03";
constexpr NoteRect kNoteRect{100, 100, 280, 250}; // 180 x 150
constexpr NoteRect kBoxRect{10, 10, 170, 60};

struct Box {
    int id;
    std::wstring text;
    bool masked = false;
    NoteRect rect = kBoxRect;
};

std::wstring Base() {
    return GroupFolderFor(kGroup);
}

std::wstring FolderOf(const std::wstring& name) {
    return Base() + name + L"\\";
}

// A note as the program leaves it on disk: its record listing the boxes in the given order, each
// box's record and content file.
void MakeNote(const std::wstring& name, const std::vector<Box>& boxes, NoteRect rect = kNoteRect) {
    CreateDirectoryW(Base().c_str(), nullptr);
    const std::wstring folder = FolderOf(name);
    CreateDirectoryW(folder.c_str(), nullptr);
    const NoteRecord note = NoteRecord::ForNote(folder, name);
    note.WriteText(NoteKey::kUnique, name);
    note.WriteRect(rect);
    for (const Box& box : boxes) {
        note.AddChildItem(box.id, NoteKey::kRichEdit);
        const NoteRecord child = NoteRecord::ForChild(folder, box.id, NoteKey::kRichEdit);
        const std::wstring content = std::to_wstring(box.id) + L"_rtf";
        child.WriteRect(box.rect);
        child.WriteText(NoteKey::kRtfText, content);
        child.WriteInt(NoteKey::kEncryptShow, box.masked ? 1 : 0);
        GlyphDocument doc;
        doc.InsertText(box.text);
        ASSERT_TRUE(doc.Save(folder + content));
    }
}

// Three notes: one box; two boxes listed in an order that is not their ids'; a protected box.
void MakeThreeNotes() {
    MakeNote(kFirst, {{201, L"first"}});
    MakeNote(kSecond, {{303, L"second"}, {302, L"third"}});
    MakeNote(kThird, {{401, L"secret\rab", true}});
}

const std::set<std::wstring> kAll{kThird, kFirst, kSecond};

std::string Bytes(const std::wstring& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

std::map<std::wstring, std::string> FolderBytes(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files[found.cFileName] = Bytes(folder + found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return files;
}

std::pair<UINT, UINT> PngSize(const std::wstring& path) {
    Gdiplus::Bitmap png(path.c_str());
    if (png.GetLastStatus() != Gdiplus::Ok)
        return {0, 0};
    return {png.GetWidth(), png.GetHeight()};
}

struct Step {
    int step, total;
    std::wstring shown;
};
std::vector<Step> g_steps;
int g_close_at = 0;
std::vector<std::wstring> g_asked;
int g_answer = kMbNo;

void RecordStep(MerlaExportMsg& dialog, int step, int total) {
    g_steps.push_back({step, total, dialog.Text().GetText()});
    // As the user's click on Cancel: the dialog ends while the thread waits for this answer.
    if (step == g_close_at)
        SendMessageW(dialog.GetHandle(), LNotify::kButtonClicked, MerlaMessageBox::kCancelId, 0);
}

int RecordAsk(HWND, const std::wstring& text, int) {
    g_asked.push_back(text);
    return g_answer;
}

struct ExportTest : ::testing::Test {
    void SetUp() override {
        g_steps.clear();
        g_asked.clear();
        g_close_at = 0;
        g_answer = kMbNo;
        MerlaExportMsg::SetProgressHook(&RecordStep);
        SetExportAskHook(&RecordAsk);
        MakeThreeNotes();
    }
    void TearDown() override {
        MerlaExportMsg::SetProgressHook(nullptr);
        SetExportAskHook(nullptr);
    }
    // Runs the export to its end; answers what happened once the thread is gone.
    ExportOutcome Export(int command, const std::wstring& target,
                         const std::set<std::wstring>& names = kAll) {
        std::shared_ptr<ExportRequest> request;
        const ExportOutcome outcome = RunExportTo(nullptr, command, kGroup, names, target, &request);
        if (request) {
            EXPECT_TRUE(PumpUntil([&] { return request->Finished(); }, 10000));
        }
        return outcome;
    }
};

TEST_F(ExportTest, PlainTextHoldsEveryItemThenCrLfWithHiddenCharactersMasked) {
    // An open note is read from its window: what its file says now is not what it shows.
    auto open = std::make_unique<MerlaItem>(kSecond, Base());
    ASSERT_TRUE(open->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 0, 0, 180, 180, nullptr));
    GlyphDocument other;
    other.InsertText(L"changed on disk");
    ASSERT_TRUE(other.Save(FolderOf(kSecond) + L"303_rtf"));

    const std::wstring target = ExeDir() + L"export.txt";
    ASSERT_EQ(Export(ExportCmd::kPlainText, target), kExportCompleted);
    EXPECT_EQ(Bytes(target), "first\r\nsecond\r\nthird\r\n******\r\n**\r\n");
    // Progress: each note, then the finishing step; the dialog closes on the last.
    ASSERT_EQ(g_steps.size(), 4u);
    EXPECT_EQ(g_steps[0].total, 5);
    EXPECT_EQ(g_steps[0].shown, L"正在导出，已完成 1/3...");
    EXPECT_EQ(g_steps[2].shown, L"正在导出，已完成 3/3...");
    EXPECT_EQ(g_steps[3].shown, L"正在完成导出...");
}

TEST_F(ExportTest, RichTextIsOneDocumentThatReadsBack) {
    // Left in the test's folder: a later step reads it with pandoc.
    const std::wstring target = ExeDir() + L"export.rtf";
    ASSERT_EQ(Export(ExportCmd::kRichText, target), kExportCompleted);
    const std::string bytes = Bytes(target);
    EXPECT_EQ(bytes.rfind("{\\rtf1\\ansi\\ansicpg936", 0), 0u);
    EXPECT_EQ(bytes.find("secret"), std::string::npos);
    GlyphDocument back;
    ASSERT_EQ(back.Load(target), 0);
    EXPECT_EQ(back.GetText(), L"first\rsecond\rthird\r******\r**\r");
}

TEST_F(ExportTest, PicturesOnePerNoteFromTheLiveWindowTheSnapshotOrTheFolder) {
    const std::wstring snapshot = FolderOf(kSecond) + L"shot.png";
    ASSERT_TRUE(WriteSolidPng(snapshot, 0xFF3366CC));
    NoteRecord::ForNote(FolderOf(kSecond), kSecond).WriteText(NoteKey::kPngView, L"shot.png");
    auto open = std::make_unique<MerlaItem>(kThird, Base());
    ASSERT_TRUE(open->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 0, 0, 180, 180, nullptr));
    // The window's size now differs from its record's: only the live look has it.
    SetWindowPos(open->GetHandle(), nullptr, 0, 0, 150, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();

    const std::wstring folder = ExeDir() + L"pictures";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_EQ(Export(ExportCmd::kPictures, folder), kExportCompleted);
    EXPECT_EQ(FolderBytes(folder + L"\\").size(), 3u);
    EXPECT_EQ(PngSize(folder + L"\\" + kFirst + L".png"), std::make_pair(180u, 150u));
    EXPECT_EQ(Bytes(folder + L"\\" + kSecond + L".png"), Bytes(snapshot));
    EXPECT_EQ(PngSize(folder + L"\\" + kThird + L".png"), std::make_pair(150u, 120u));
}

TEST_F(ExportTest, ClosingTheDialogStopsAtTheNextNote) {
    g_close_at = 2;
    const std::wstring text = ExeDir() + L"stopped.txt", rich = ExeDir() + L"stopped.rtf";
    EXPECT_EQ(Export(ExportCmd::kPlainText, text), kExportStopped);
    EXPECT_EQ(Export(ExportCmd::kRichText, rich), kExportStopped);
    EXPECT_FALSE(FileExists(text));
    EXPECT_FALSE(FileExists(rich));
    const std::wstring folder = ExeDir() + L"stopped";
    CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_EQ(Export(ExportCmd::kPictures, folder), kExportStopped);
    const auto pictures = FolderBytes(folder + L"\\");
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures.begin()->first, kFirst + L".png");
}

TEST_F(ExportTest, ExistingFilesAreReplacedOnlyOnYesAskedOnceForPictures) {
    const std::wstring target = ExeDir() + L"kept.txt";
    ASSERT_TRUE(WriteFileAtomic(target, "old"));
    EXPECT_EQ(Export(ExportCmd::kPlainText, target), kExportDeclined);
    EXPECT_EQ(Bytes(target), "old");
    ASSERT_EQ(g_asked.size(), 1u);
    EXPECT_EQ(g_asked[0], L"目标文件已经存在，是否替换？");

    const std::wstring folder = ExeDir() + L"kept\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileAtomic(folder + kFirst + L".png", "old"));
    ASSERT_TRUE(WriteFileAtomic(folder + kSecond + L".png", "old"));
    EXPECT_EQ(Export(ExportCmd::kPictures, folder), kExportDeclined);
    EXPECT_EQ(g_asked.size(), 2u);
    EXPECT_EQ(FolderBytes(folder).size(), 2u);

    g_answer = kMbYes;
    EXPECT_EQ(Export(ExportCmd::kPlainText, target), kExportCompleted);
    EXPECT_EQ(Bytes(target), "first\r\nsecond\r\nthird\r\n******\r\n**\r\n");
}

TEST_F(ExportTest, NotesWithoutTextWriteNoFile) {
    const std::wstring empty = L"20240101080000004_04";
    MakeNote(empty, {});
    const std::wstring target = ExeDir() + L"empty.txt";
    EXPECT_EQ(Export(ExportCmd::kPlainText, target, {empty}), kExportCompleted);
    EXPECT_FALSE(FileExists(target));
}

TEST_F(ExportTest, ChosenNamesGetTheirExtension) {
    EXPECT_EQ(WithExtension(L"C:\\a\\notes", L".rtf"), L"C:\\a\\notes.rtf");
    EXPECT_EQ(WithExtension(L"C:\\a\\notes.doc", L".rtf"), L"C:\\a\\notes.doc");
    EXPECT_EQ(WithExtension(L"a", L".txt"), L"a.txt");
}

// Stands in for the notes page: records the commands its menus send.
class FakePage : public LWnd {
public:
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == LNotify::kCommand)
            commands.push_back(static_cast<int>(wp));
        return 0;
    }
    std::vector<int> commands;
};

TEST(ExportMenuTest, ItemsCarryTheirTextsPicturesAndCommands) {
    FakePage page;
    ASSERT_TRUE(page.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 50, 50, nullptr));
    std::unique_ptr<MxMiMenuExport> menu(MxMiMenuExport::Make(0, page.GetHandle()));
    ASSERT_TRUE(menu);
    wchar_t caption[32] = {};
    GetWindowTextW(menu->GetHandle(), caption, 32);
    EXPECT_STREQ(caption, L"导出菜单");
    const std::vector<std::tuple<int, std::wstring, std::wstring>> expected{
        {32001, L"富文本.rtf", L"rtf.png"},
        {32002, L"文本.txt", L"txt.png"},
        {32003, L"图片.png", L"png.png"}};
    ASSERT_EQ(menu->Items().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        MerlaMenuItem& item = *menu->Items()[i];
        wchar_t text[32] = {};
        GetWindowTextW(item.GetHandle(), text, 32);
        EXPECT_EQ(item.GetId(), std::get<0>(expected[i]));
        EXPECT_EQ(text, std::get<1>(expected[i]));
        EXPECT_EQ(item.GetIcon(), std::get<2>(expected[i]));
    }
    menu->OnCommand(32002, 0);
    EXPECT_EQ(page.commands, std::vector<int>{32002});
}

struct NotePictureTest : ::testing::Test {};

TEST_F(NotePictureTest, DrawingAClosedNoteLeavesItsFolderByteForByte) {
    const std::wstring name = L"20240101090000000_05";
    MakeNote(name, {{501, L"Hello"}, {502, L"hidden", true}}, NoteRect{0, 0, 200, 160});
    const std::wstring folder = FolderOf(name);
    const NoteRecord record = NoteRecord::ForNote(folder, name);
    record.WriteInt(NoteKey::kAlpha, 128);
    ASSERT_TRUE(WriteSolidPng(folder + L"shot.png", 0xFFCC3300));
    record.WriteText(NoteKey::kPngView, L"shot.png");
    const auto before = FolderBytes(folder);

    const LSurface drawn = RenderNotePicture(folder, name);
    ASSERT_EQ(drawn.width(), 200);
    ASSERT_EQ(drawn.height(), 160);
    const uint32_t paper = LSurface::Premultiply(0x80ADADAC);
    EXPECT_EQ(drawn.Pixel(195, 155), paper);
    bool written = false;
    for (int y = kBoxRect.top; y < kBoxRect.bottom && !written; ++y) {
        for (int x = kBoxRect.left; x < kBoxRect.right && !written; ++x)
            written = drawn.Pixel(x, y) != paper;
    }
    EXPECT_TRUE(written);

    // The snapshot serves the cards and is passed on unchanged.
    const LSurface card = NotePicture(folder, name, 90, 75);
    EXPECT_EQ(card.width(), 90);
    EXPECT_EQ(card.height(), 75);
    EXPECT_EQ(NotePicture(folder, name).Pixel(5, 5), 0xFFCC3300u);
    std::string png;
    ASSERT_TRUE(NotePicturePng(folder, name, png));
    EXPECT_EQ(png, Bytes(folder + L"shot.png"));

    EXPECT_EQ(FolderBytes(folder), before);
}

TEST_F(NotePictureTest, AClosedNoteIsDrawnAsItsWindowShowsIt) {
    const std::wstring name = L"20240101090000000_07";
    MakeNote(name,
             {{701, L"A line long enough to be wrapped by the note's edge\rnext", false, {10, 10, 200, 100}},
              {702, L"hidden", true, {20, 110, 190, 150}}},
             NoteRect{0, 0, 200, 160});
    const std::wstring folder = FolderOf(name);
    NoteRecord::ForNote(folder, name).WriteInt(NoteKey::kAlpha, 200);
    const LSurface drawn = RenderNotePicture(folder, name);
    auto open = std::make_unique<MerlaItem>(name, Base());
    ASSERT_TRUE(open->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 0, 0, 180, 180, nullptr));
    PumpMessages();
    const LSurface live = LiveNotePicture(*open);
    ASSERT_EQ(live.width(), drawn.width());
    ASSERT_EQ(live.height(), drawn.height());
    int differing = 0;
    for (int y = 0; y < live.height(); ++y) {
        for (int x = 0; x < live.width(); ++x)
            differing += live.Pixel(x, y) != drawn.Pixel(x, y);
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(NotePictureTest, DamagedRecordsGiveABoundedPictureAndReadNothingOutside) {
    const std::wstring name = L"20240101090000000_06";
    MakeNote(name, {{601, L"x"}, {602, L"y"}}, NoteRect{INT_MIN + 1, 0, INT_MAX, 0});
    const std::wstring folder = FolderOf(name);
    ASSERT_TRUE(WriteFileAtomic(Base() + L"outside_rtf", Bytes(folder + L"601_rtf")));
    const NoteRecord first = NoteRecord::ForChild(folder, 601, NoteKey::kRichEdit);
    first.WriteText(NoteKey::kRtfText, L"..\\outside_rtf");
    first.WriteRect(NoteRect{INT_MAX - 1, INT_MIN, INT_MIN, INT_MAX});
    // The other box's content: a cut-off file, then random bytes.
    std::string content = Bytes(folder + L"602_rtf");
    std::mt19937 random(6);
    for (std::string damaged : {content.substr(0, content.size() / 2), std::string(4000, '\0')}) {
        for (size_t i = damaged.size() / 2; i < damaged.size(); ++i)
            damaged[i] = static_cast<char>(random());
        ASSERT_TRUE(WriteFileAtomic(folder + L"602_rtf", damaged));
        const NoteRichContent boxes(folder, name);
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_TRUE(boxes.Boxes()[0].content.empty());
        const LSurface drawn = RenderNotePicture(folder, name);
        EXPECT_EQ(drawn.width(), kMaxNotePictureSide);
        EXPECT_EQ(drawn.height(), 1);
    }
}

} // namespace
