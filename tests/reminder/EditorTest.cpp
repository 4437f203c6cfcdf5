// The reminder editor on real windows: what the palette, the group list, the pickers and the note
// menu's submenu write into "prompt.xml", and what the dialog asks before closing.
#include "tests/toolkit/GifWriter.h"
#include "tests/toolkit/PickerTestSupport.h"

#include "app/base/AppPaths.h"
#include "reminder/CDateTime.h"
#include "reminder/ChosenExecFiles.h"
#include "reminder/editor/MerlaMenuSetPromptSub.h"
#include "reminder/editor/MerlaPrompt.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/MerlaMessageBox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickRect(LWnd& w, const RECT& r) {
    const POINT p = Centre(r);
    ClickAt(w, p.x, p.y);
    PumpMessages();
}

void ClickButton(LWnd& b) {
    ClickAt(b, 3, 11);
    PumpMessages();
}

std::vector<PromptGroup> Groups(const std::wstring& folder) {
    std::vector<PromptGroup> groups;
    CPromptFile(folder).ReadGroups(groups);
    return groups;
}

std::vector<std::wstring> Texts(const std::vector<PromptLabel>& labels) {
    std::vector<std::wstring> out;
    for (const PromptLabel& l : labels)
        out.push_back(l.text + L"=" + l.value);
    return out;
}

const std::vector<PromptLabel>& List(const PromptGroup& g, PromptList kind) {
    return g.lists[static_cast<int>(kind)];
}

// Answers the next message box of the id with the button of the flag, while a modal loop runs or
// at the next pump; remembers its text.
class BoxAnswer {
public:
    BoxAnswer(int id, int flag) : id_(id), flag_(flag) {
        self() = this;
        timer_ = SetTimer(nullptr, 0, 30, &Tick);
    }
    ~BoxAnswer() {
        KillTimer(nullptr, timer_);
        self() = nullptr;
    }
    std::wstring message;
    int answered = 0;

private:
    static BoxAnswer*& self() {
        static BoxAnswer* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        BoxAnswer* a = self();
        if (!a)
            return;
        auto* box = dynamic_cast<MerlaMessageBox*>(LWnd::FromId(a->id_));
        if (!box || !IsWindowVisible(box->GetHandle()))
            return;
        a->message = box->GetMessage();
        ++a->answered;
        ClickAt(*box->ButtonOf(a->flag_), 5, 5);
    }
    int id_, flag_;
    UINT_PTR timer_ = 0;
};

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = NoteFolder(std::wstring(name.begin(), name.end()));
        Open();
    }
    void TearDown() override {
        MerlaAddPrompt::SetFileAskHook(nullptr);
        if (dialog_ && IsWindow(dialog_->GetHandle()))
            DestroyWindow(dialog_->GetHandle());
        dialog_.reset();
        PumpMessages();
    }
    void Open() {
        dialog_ = std::make_unique<MerlaPrompt>(folder_, L"note");
        ASSERT_TRUE(dialog_->Create(MerlaPrompt::kId, L"", WS_EX_LAYERED, WS_POPUP | WS_VISIBLE, 0, 0,
                                    dialog_->WindowWidth(), dialog_->WindowHeight(), nullptr));
        PumpMessages();
    }
    MerlaAddPrompt& Palette() { return dialog_->Palette(); }
    MerlaListMPL& Cards() { return dialog_->ShownPanel().List(); }
    void Label(int label) { ClickButton(Palette().LabelButton(label)); }

    std::wstring folder_;
    std::unique_ptr<MerlaPrompt> dialog_;
};

TEST_F(Editor, PaletteLabelsBuildTheSelectedGroup) {
    EXPECT_TRUE(Cards().Cards().empty());
    // The value buttons start ten minutes from now.
    const CDateTime soon = CDateTime::Now().Add(0, 0, 10, 0);
    EXPECT_EQ(std::to_wstring(soon.year) + L"年",
              Palette().ValueButton(MerlaAddPrompt::kYear).GetButtonText());

    const std::wstring before = CDateTime::Now().Format();
    Label(MerlaAddPrompt::kWed);
    auto groups = Groups(folder_);
    ASSERT_EQ(1u, groups.size());
    EXPECT_EQ(std::vector<std::wstring>{L"周三=3"}, Texts(List(groups[0], PromptList::kWeek)));
    EXPECT_LE(before, groups[0].created);
    EXPECT_GE(CDateTime::Now().Format(), groups[0].created);
    EXPECT_EQ(21u, groups[0].identity.size()); // stamp of 17 digits, "_101"
    EXPECT_EQ(L"_101", groups[0].identity.substr(17));
    ASSERT_EQ(1u, Cards().Cards().size()); // the list was reloaded from the file

    MerlaBtLB& minute = Palette().ValueButton(MerlaAddPrompt::kMinute);
    minute.SetButtonText(L"25分");
    ClickButton(minute);
    ClickButton(minute);
    Label(MerlaAddPrompt::kOnce);
    Label(MerlaAddPrompt::kLunar);
    Label(MerlaAddPrompt::kTop);
    Label(MerlaAddPrompt::kShake);
    Label(MerlaAddPrompt::kCentre);
    groups = Groups(folder_);
    ASSERT_EQ(1u, groups.size());
    EXPECT_EQ(std::vector<std::wstring>{L"25分=25"}, Texts(List(groups[0], PromptList::kMinute)));
    EXPECT_TRUE(groups[0].has_count);
    EXPECT_EQ(1, groups[0].count);
    EXPECT_EQ(L"Lunar", groups[0].calendar.value);
    EXPECT_EQ(L"农历", groups[0].calendar.text);
    PromptActions actions;
    CPromptFile(folder_).ReadActions(actions);
    EXPECT_EQ((std::vector<std::wstring>{L"置顶=1", L"晃动=2", L"居中=4"}), Texts(actions.styles));
    EXPECT_TRUE(Cards().AllGroupsHaveMinute());
}

TEST_F(Editor, DropDownSetsTheButtonOnlyAndYearsGoPastTheLunarTable) {
    MerlaBtLB& hour = Palette().ValueButton(MerlaAddPrompt::kHour);
    ASSERT_TRUE(dialog_->Redraw()); // the arrow's place is known once drawn
    const RECT arrow = hour.GetPictureRect();
    ASSERT_FALSE(IsRectEmpty(&arrow));
    ClickRect(hour, arrow);
    MerlaListBoxAP& drop = Palette().DropDown();
    ASSERT_TRUE(drop.IsOpen());
    ASSERT_EQ(24, drop.GetItemCount());
    const RECT button = hour.WindowRect(), list = drop.WindowRect();
    EXPECT_EQ(button.left, list.left);
    EXPECT_EQ(button.bottom + 1, list.top);
    EXPECT_EQ(164, list.bottom - list.top);
    const RECT seven = drop.Rows()[7].rect;
    drop.EnsureItemVisible(7);
    ClickAt(drop, 5, (seven.top + seven.bottom) / 2 - drop.GetVerticalPos());
    PumpMessages();
    EXPECT_FALSE(drop.IsOpen());
    EXPECT_EQ(L"7时", hour.GetButtonText());
    EXPECT_TRUE(Groups(folder_).empty()); // choosing a value adds no label

    const int year = CDateTime::Now().year;
    const std::vector<int> years = MerlaAddPrompt::ValueRows(MerlaAddPrompt::kYear, year);
    EXPECT_EQ(year - 1, years.front());
    EXPECT_GT(years.back(), 2050);

    // A lunar group cannot reach past the lunar table; a solar one can.
    MerlaBtLB& year_button = Palette().ValueButton(MerlaAddPrompt::kYear);
    year_button.SetButtonText(L"2051年");
    ClickButton(year_button);
    {
        BoxAnswer refused(30803, kMbOk);
        Label(MerlaAddPrompt::kLunar);
        PumpUntil([&] { return refused.answered > 0; }, 3000);
        EXPECT_NE(std::wstring::npos, refused.message.find(L"2050"));
    }
    auto groups = Groups(folder_);
    ASSERT_EQ(1u, groups.size());
    EXPECT_FALSE(groups[0].has_calendar);
    EXPECT_EQ(std::vector<std::wstring>{L"2051年=2051"}, Texts(List(groups[0], PromptList::kYear)));
    ClickRect(Cards(), Cards().CardAddButton(Cards().Cards()[0]));
    Label(MerlaAddPrompt::kLunar);
    {
        BoxAnswer refused(30803, kMbOk);
        ClickButton(year_button);
        PumpUntil([&] { return refused.answered > 0; }, 3000);
    }
    year_button.SetButtonText(L"2050年");
    ClickButton(year_button);
    groups = Groups(folder_);
    ASSERT_EQ(2u, groups.size());
    EXPECT_EQ(L"Lunar", groups[1].calendar.value);
    EXPECT_EQ(std::vector<std::wstring>{L"2050年=2050"}, Texts(List(groups[1], PromptList::kYear)));
}

TEST_F(Editor, ChipsAndCardsRemoveWhatTheyShow) {
    Label(MerlaAddPrompt::kMon);
    Label(MerlaAddPrompt::kTue);
    Label(MerlaAddPrompt::kCentre);
    ASSERT_EQ(1u, Cards().Cards().size());
    const PromptCard first = Cards().Cards()[0];
    ASSERT_EQ(2u, first.chips.size());
    EXPECT_EQ(L"周一", first.chips[0].text);
    ClickRect(Cards(), Cards().ChipDeleteBox(first.chips[0]));
    EXPECT_EQ(std::vector<std::wstring>{L"周二=2"}, Texts(List(Groups(folder_)[0], PromptList::kWeek)));
    ASSERT_EQ(1u, Cards().RootChips().size());
    ClickRect(Cards(), Cards().ChipDeleteBox(Cards().RootChips()[0]));
    PromptActions actions;
    CPromptFile(folder_).ReadActions(actions);
    EXPECT_TRUE(actions.styles.empty());

    // A second card takes the next labels; deleting it (after the question) selects the first.
    ClickRect(Cards(), Cards().CardAddButton(Cards().Cards()[0]));
    ASSERT_EQ(2u, Cards().Cards().size());
    EXPECT_EQ(Cards().Cards()[1].identity, Cards().SelectedIdentity());
    Label(MerlaAddPrompt::kFri);
    auto groups = Groups(folder_);
    ASSERT_EQ(2u, groups.size());
    EXPECT_EQ(std::vector<std::wstring>{L"周五=5"}, Texts(List(groups[1], PromptList::kWeek)));
    {
        BoxAnswer cancel(30802, kMbCancel);
        ClickRect(Cards(), Cards().CardDeleteButton(Cards().Cards()[1]));
        EXPECT_EQ(L"确定要删除选择的时间标签组吗？", cancel.message);
    }
    EXPECT_EQ(2u, Groups(folder_).size());
    {
        BoxAnswer ok(30802, kMbOk);
        ClickRect(Cards(), Cards().CardDeleteButton(Cards().Cards()[1]));
    }
    ASSERT_EQ(1u, Groups(folder_).size());
    EXPECT_EQ(first.identity, Cards().SelectedIdentity());
}

TEST_F(Editor, OldSingleGroupIsShownAndDeletingItKeepsTheCalendar) {
    TearDown();
    ASSERT_TRUE(
        WriteFileBytes(folder_ + L"prompt.xml",
                       "<MerlaPrompt>\r\n<Minute>\r\n<item value=\"5\">5\xE5\x88\x86</item>\r\n</Minute>\r\n"
                       "<Week>\r\n<item value=\"1\">\xE5\x91\xA8\xE4\xB8\x80</item>\r\n</Week>\r\n"
                       "<PromptCount>1</PromptCount>\r\n<Calendar value=\"Lunar\">\xE5\x86\x9C\xE5\x8E\x86"
                       "</Calendar>\r\n</MerlaPrompt>\r\n"));
    Open();
    ASSERT_EQ(1u, Cards().Cards().size());
    EXPECT_EQ(L"before1_3_1", Cards().Cards()[0].identity);
    EXPECT_TRUE(Cards().Cards()[0].lunar);
    {
        BoxAnswer ok(30802, kMbOk);
        ClickRect(Cards(), Cards().CardDeleteButton(Cards().Cards()[0]));
    }
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(folder_ + L"prompt.xml"));
    const std::wstring text = doc.GetDoc();
    EXPECT_EQ(std::wstring::npos, text.find(L"Minute"));
    EXPECT_EQ(std::wstring::npos, text.find(L"Week"));
    EXPECT_EQ(std::wstring::npos, text.find(L"PromptCount"));
    EXPECT_NE(std::wstring::npos, text.find(L"Calendar"));
}

TEST_F(Editor, ClosingAsksWhileAGroupHasNoMinute) {
    {
        // An empty list asks too; Cancel keeps the dialog.
        BoxAnswer cancel(MerlaPrompt::kNoMinuteBoxId, kMbCancel);
        dialog_->Close();
        EXPECT_EQ(1, cancel.answered);
        EXPECT_NE(std::wstring::npos, cancel.message.find(L"存在没有具体分钟标签的时间组"));
    }
    EXPECT_TRUE(IsWindow(dialog_->GetHandle()));
    Label(MerlaAddPrompt::kMon);
    {
        BoxAnswer cancel(MerlaPrompt::kNoMinuteBoxId, kMbCancel);
        dialog_->Close();
        EXPECT_EQ(1, cancel.answered);
    }
    EXPECT_TRUE(IsWindow(dialog_->GetHandle()));
    ClickButton(Palette().ValueButton(MerlaAddPrompt::kMinute));
    {
        BoxAnswer none(MerlaPrompt::kNoMinuteBoxId, kMbCancel);
        dialog_->Close();
        PumpMessages();
        EXPECT_EQ(0, none.answered);
    }
    EXPECT_FALSE(IsWindow(dialog_->GetHandle()));
}

TEST_F(Editor, PickedFilesAreCopiedIntoTheNoteFolderBeforeTheyAreNamed) {
    const std::wstring outside = ExeDir() + L"picked\\";
    CreateDirectoryW(outside.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(outside + L"ring.wav", "RIFF----WAVE"));
    ASSERT_TRUE(WriteFileBytes(outside + L"one.gif", EncodeGif({{0, 10}, {2, 10}})));
    ASSERT_TRUE(WriteFileBytes(outside + L"two.gif", EncodeGif({{1, 10}})));
    ASSERT_TRUE(WriteFileBytes(outside + L"tool.bat", "@echo off\r\n"));
    std::wstring answer;
    MerlaAddPrompt::SetFileAskHook([&](HWND, const wchar_t*, const wchar_t*, std::wstring& path) {
        path = answer;
        return !answer.empty();
    });
    auto picker = [&](int which, const std::wstring& path) {
        answer = path;
        ClickButton(Palette().PickerButton(which));
    };

    picker(MerlaAddPrompt::kMusicPicker, outside + L"ring.wav");
    PromptActions a;
    CPromptFile(folder_).ReadActions(a);
    EXPECT_EQ(L"ring.wav", a.music.name);
    EXPECT_EQ(outside + L"ring.wav", a.music.path);
    EXPECT_TRUE(Exists(folder_ + L"ring.wav"));
    {
        // A copy that cannot be made names nothing.
        BoxAnswer failed(30803, kMbOk);
        picker(MerlaAddPrompt::kMusicPicker, outside + L"gone.mp3");
        PumpUntil([&] { return failed.answered > 0; }, 3000);
        EXPECT_EQ(1, failed.answered);
    }
    CPromptFile(folder_).ReadActions(a);
    EXPECT_EQ(L"ring.wav", a.music.name);

    picker(MerlaAddPrompt::kGifPicker, outside + L"one.gif");
    PumpMessages();
    CPromptFile(folder_).ReadActions(a);
    const std::wstring first = a.gif;
    EXPECT_NE(std::wstring::npos, first.find(L"_gif_one.gif"));
    EXPECT_TRUE(Exists(folder_ + first));
    EXPECT_TRUE(dialog_->ShownPanel().PreviewShown());
    picker(MerlaAddPrompt::kGifPicker, outside + L"two.gif");
    PumpMessages();
    CPromptFile(folder_).ReadActions(a);
    EXPECT_NE(std::wstring::npos, a.gif.find(L"_gif_two.gif"));
    EXPECT_FALSE(Exists(folder_ + first));

    // The preview's delete box drops the picture and its copy.
    MerlaGif& preview = dialog_->ShownPanel().Preview();
    const RECT pr = preview.ClientRect();
    const std::wstring second = a.gif;
    ClickAt(preview, pr.right - MerlaGif::kDeleteBoxInset - MerlaGif::kDeleteBoxSize / 2,
            MerlaGif::kDeleteBoxInset + MerlaGif::kDeleteBoxSize / 2);
    PumpMessages();
    CPromptFile(folder_).ReadActions(a);
    EXPECT_TRUE(a.gif.empty());
    EXPECT_FALSE(Exists(folder_ + second));
    EXPECT_FALSE(dialog_->ShownPanel().PreviewShown());

    // A file to run is remembered as chosen here, and only then may it run.
    const std::wstring tool = outside + L"tool.bat";
    ChosenExecFiles::Forget(tool);
    picker(MerlaAddPrompt::kExecPicker, tool);
    CPromptFile(folder_).ReadActions(a);
    ASSERT_EQ(1u, a.exec_files.size());
    EXPECT_EQ(L"tool.bat", a.exec_files[0].name);
    EXPECT_EQ(tool, a.exec_files[0].path);
    EXPECT_TRUE(ChosenExecFiles::IsChosen(tool));
    ASSERT_EQ(2u, Cards().RootChips().size()); // the file to run and the music
}

TEST(ReminderSubmenu, ClearRemovesTheReminderAndSetAsksTheNoteForTheDialog) {
    const std::wstring folder = NoteFolder(L"submenu");
    CPromptFile file(folder);
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kMinute, L"g1", L"5分", 5));
    const std::wstring gif = L"20260101000000000_7_gif_a.gif";
    ASSERT_TRUE(WriteFileBytes(folder + gif, EncodeGif({{0, 10}, {1, 10}})));
    ASSERT_TRUE(file.SetGif(gif));
    RecordingParent note;
    ASSERT_TRUE(note.Create(0, L"", WS_EX_LAYERED, WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr));
    MerlaMenuSetPromptSub* menu = MerlaMenuSetPromptSub::Make(note.GetHandle(), folder, L"submenu");
    ASSERT_NE(nullptr, menu);
    menu->PopupAt(200, 200);
    PumpMessages();
    EXPECT_EQ(1u, menu->Panel().List().Cards().size());
    EXPECT_TRUE(menu->Panel().PreviewShown());
    const RECT before = menu->WindowRect();

    ClickButton(menu->ClearButton());
    EXPECT_FALSE(Exists(folder + L"prompt.xml"));
    EXPECT_FALSE(Exists(folder + gif));
    EXPECT_TRUE(menu->Panel().List().Cards().empty());
    EXPECT_FALSE(menu->Panel().PreviewShown());
    const RECT after = menu->WindowRect();
    EXPECT_LT(after.bottom - after.top, before.bottom - before.top); // the menu fits the emptier panel

    ClickButton(menu->SetButton());
    EXPECT_TRUE(PumpUntil([&] { return !note.Of(LNotify::kCommand).empty(); }, 2000));
    ASSERT_FALSE(note.Of(LNotify::kCommand).empty());
    EXPECT_EQ(30214u, note.Of(LNotify::kCommand).front().wp);
    PumpFor(1200); // the closed menu frees itself
    DestroyWindow(note.GetHandle());
}

} // namespace
