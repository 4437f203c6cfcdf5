#include "reminder/CPromptFile.h"
#include "reminder/LunarCalendar.h"
#include "reminder/ReminderMatch.h"
#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring ReadText(const std::wstring& path) {
    CXmlDoc doc;
    doc.Load(path);
    return doc.GetDoc();
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::wstring& path) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fputs("GIF89a", f);
    fclose(f);
}

int Weekday(int y, int m, int d) {
    return (DayIndex(y, m, d) + 2) % 7;
}

} // namespace

TEST(PromptFile, WritesGroupsAndLabelsOneElementPerLine) {
    CPromptFile file(NoteFolder(L"n1"), 100007);
    const std::wstring id = L"20260309101010123_101";
    ASSERT_TRUE(file.AddGroup(id, L"2026-03-09 10:10:10"));
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kMinute, id, L"30分", 30));
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kMinute, id, L"30分", 30)); // same text: kept once
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kWeek, id, L"周日", 7));
    ASSERT_TRUE(file.SetOnce(id, 1));
    ASSERT_TRUE(file.AddExecFile(L"a.bat", L"C:\\t\\a.bat"));
    EXPECT_EQ(ReadText(file.Path()),
              L"<MerlaPrompt>\r\n"
              L"<ID>100007</ID>\r\n"
              L"<TimeGroup Identify=\"20260309101010123_101\" DateTime=\"2026-03-09 10:10:10\">\r\n"
              L"<Minute>\r\n"
              L"<item value=\"30\">30分</item>\r\n"
              L"</Minute>\r\n"
              L"<Week>\r\n"
              L"<item value=\"7\">周日</item>\r\n"
              L"</Week>\r\n"
              L"<PromptCount>1</PromptCount>\r\n"
              L"</TimeGroup>\r\n"
              L"<ExecFile>\r\n"
              L"<item FilePath=\"C:\\t\\a.bat\">a.bat</item>\r\n"
              L"</ExecFile>\r\n"
              L"</MerlaPrompt>\r\n");
    // What the editor writes is what the scheduler fires on: Sundays at :30, once.
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(file.Path()));
    const MatchTime sunday{2026, 3, 8, Weekday(2026, 3, 8), 9, 30};
    EXPECT_TRUE(EvaluatePrompt(doc, sunday).count_spent);
    EXPECT_FALSE(EvaluatePrompt(doc, sunday).matched);
}

TEST(PromptFile, LabelsForAnUnknownGroupCreateItAndRemovalsFindByText) {
    CPromptFile file(NoteFolder(L"n2"));
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kHour, L"g1", L"8时", 8));
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kHour, L"g1", L"9时", 9));
    ASSERT_TRUE(file.SetCalendar(L"g1", kLunarCalendarText, kLunarCalendarValue));
    ASSERT_TRUE(file.SetCalendar(L"g1", kLunarCalendarText, kLunarCalendarValue));
    ASSERT_TRUE(file.RemoveTimeLabel(PromptList::kHour, L"g1", L"8时"));
    EXPECT_FALSE(file.RemoveTimeLabel(PromptList::kHour, L"g1", L"8时"));
    EXPECT_FALSE(file.RemoveTimeLabel(PromptList::kHour, L"nope", L"9时"));
    std::vector<PromptGroup> groups;
    ASSERT_TRUE(file.ReadGroups(groups));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].identity, L"g1");
    ASSERT_EQ(groups[0].lists[static_cast<int>(PromptList::kHour)].size(), 1u);
    EXPECT_EQ(groups[0].lists[static_cast<int>(PromptList::kHour)][0].text, L"9时");
    EXPECT_EQ(groups[0].lists[static_cast<int>(PromptList::kHour)][0].value, L"9");
    EXPECT_TRUE(groups[0].has_calendar);
    EXPECT_EQ(groups[0].calendar.value, L"Lunar");
    const std::wstring text = ReadText(file.Path());
    EXPECT_EQ(text.find(L"<Calendar"), text.rfind(L"<Calendar")); // set twice, written once
    ASSERT_TRUE(file.RemoveGroup(L"g1"));
    ASSERT_TRUE(file.ReadGroups(groups));
    EXPECT_TRUE(groups.empty());
}

TEST(PromptFile, OldLayoutIsAddressedAsBefore131) {
    CPromptFile file(NoteFolder(L"n3"));
    ASSERT_TRUE(file.AddGroup(L"g2", L"2026-01-02 00:00:00"));
    ASSERT_TRUE(file.AddGroup(L"g1", L"2025-01-02 00:00:00"));
    ASSERT_TRUE(file.AddTimeLabel(PromptList::kMinute, kLegacyGroupIdentity, L"5分", 5));
    ASSERT_TRUE(file.SetOnce(kLegacyGroupIdentity, 1));
    ASSERT_TRUE(file.SetCalendar(kLegacyGroupIdentity, kLunarCalendarText, kLunarCalendarValue));
    const std::wstring text = ReadText(file.Path());
    EXPECT_NE(text.find(L"DateTime=\"2025-01-02 00:00:00\"/>\r\n<Minute>\r\n<item "
                        L"value=\"5\">5分</item>\r\n</Minute>\r\n"),
              std::wstring::npos);
    std::vector<PromptGroup> groups;
    ASSERT_TRUE(file.ReadGroups(groups));
    ASSERT_EQ(groups.size(), 3u); // ordered by creation time, the old group (no time) first
    EXPECT_EQ(groups[0].identity, kLegacyGroupIdentity);
    EXPECT_TRUE(groups[0].has_count);
    EXPECT_EQ(groups[1].identity, L"g1");
    EXPECT_EQ(groups[2].identity, L"g2");
    // Removing the old group keeps its calendar, and with no labels left it is not listed.
    ASSERT_TRUE(file.RemoveGroup(kLegacyGroupIdentity));
    const std::wstring after = ReadText(file.Path());
    EXPECT_EQ(after.find(L"<Minute>"), std::wstring::npos);
    EXPECT_EQ(after.find(L"PromptCount"), std::wstring::npos);
    EXPECT_NE(after.find(L"<Calendar value=\"Lunar\">农历</Calendar>"), std::wstring::npos);
    ASSERT_TRUE(file.ReadGroups(groups));
    EXPECT_EQ(groups.size(), 3u); // the calendar alone still shows the old group
}

TEST(PromptFile, ActionsStylesMusicAndFiles) {
    CPromptFile file(NoteFolder(L"n4"));
    ASSERT_TRUE(file.AddStyle(L"置顶", 1));
    ASSERT_TRUE(file.AddStyle(L"晃动", 2));
    ASSERT_TRUE(file.AddStyle(L"置顶", 1));
    ASSERT_TRUE(file.AddExecFile(L"a.bat", L"C:\\a.bat"));
    ASSERT_TRUE(file.AddExecFile(L"a.bat", L"C:\\other\\a.bat")); // same name: kept once
    ASSERT_TRUE(file.AddExecFile(L"b.txt", L"C:\\b.txt"));
    ASSERT_TRUE(file.SetMusic(L"x.mp3", L"C:\\x.mp3"));
    ASSERT_TRUE(file.SetMusic(L"y.wav", L"C:\\y.wav"));
    PromptActions a;
    ASSERT_TRUE(file.ReadActions(a));
    ASSERT_EQ(a.styles.size(), 2u);
    EXPECT_EQ(a.styles[1].value, L"2");
    ASSERT_EQ(a.exec_files.size(), 2u);
    EXPECT_EQ(a.exec_files[0].path, L"C:\\a.bat");
    EXPECT_TRUE(a.has_music);
    EXPECT_EQ(a.music.name, L"y.wav");
    EXPECT_EQ(a.music.path, L"C:\\y.wav");
    ASSERT_TRUE(file.RemoveStyle(L"置顶"));
    ASSERT_TRUE(file.RemoveExecFile(L"a.bat"));
    ASSERT_TRUE(file.RemoveMusic());
    ASSERT_TRUE(file.ReadActions(a));
    EXPECT_EQ(a.styles.size(), 1u);
    EXPECT_EQ(a.exec_files.size(), 1u);
    EXPECT_FALSE(a.has_music);
}

TEST(PromptFile, ChoosingASecondGifDeletesTheFirstCopyOnly) {
    const std::wstring folder = NoteFolder(L"n5");
    CPromptFile file(folder);
    Touch(folder + L"s1_gif_a.gif");
    ASSERT_TRUE(file.SetGif(L"s1_gif_a.gif"));
    Touch(folder + L"s2_gif_b.gif");
    ASSERT_TRUE(file.SetGif(L"s2_gif_b.gif"));
    EXPECT_FALSE(Exists(folder + L"s1_gif_a.gif"));
    EXPECT_TRUE(Exists(folder + L"s2_gif_b.gif"));
    PromptActions a;
    ASSERT_TRUE(file.ReadActions(a));
    EXPECT_EQ(a.gif, L"s2_gif_b.gif");
    // A name from a damaged file that reaches outside the note folder deletes nothing.
    Touch(ExeDir() + L"keep.gif");
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(file.Path()));
    std::wstring text = doc.GetDoc();
    text.replace(text.find(L"s2_gif_b.gif"), 12, L"..\\..\\..\\keep.gif");
    doc.SetDoc(text);
    ASSERT_TRUE(doc.Save(file.Path()));
    ASSERT_TRUE(file.SetGif(L"s3.gif"));
    EXPECT_TRUE(Exists(ExeDir() + L"keep.gif"));
    ASSERT_TRUE(file.RemoveGif());
    ASSERT_TRUE(file.ReadActions(a));
    EXPECT_TRUE(a.gif.empty());
}

TEST(PromptFile, OnlyTheEditorsOwnCopiesAreEverDeleted) {
    const std::wstring folder = NoteFolder(L"n6");
    CPromptFile file(folder);
    Touch(folder + L"a.mp3");
    ASSERT_TRUE(file.SetMusic(L"a.mp3", L"C:\\music\\a.mp3"));
    Touch(folder + L"b.wav");
    ASSERT_TRUE(file.SetMusic(L"b.wav", L"C:\\music\\b.wav"));
    EXPECT_FALSE(Exists(folder + L"a.mp3"));
    PromptActions a;
    ASSERT_TRUE(file.ReadActions(a));
    EXPECT_EQ(a.music.name, L"b.wav");
    EXPECT_EQ(a.music.path, L"C:\\music\\b.wav");
    ASSERT_TRUE(file.RemoveMusic());
    EXPECT_FALSE(Exists(folder + L"b.wav"));

    // A hand-edited file naming the note's own record as its music or picture: the record stays.
    Touch(folder + L"n6.xml");
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(file.Path()));
    doc.SetDoc(L"<MerlaPrompt>\r\n<MusicFile>\r\n<item FilePath=\"x\">n6.xml</item>\r\n</MusicFile>\r\n"
               L"<GifFile>\r\n<item>n6.xml</item>\r\n</GifFile>\r\n</MerlaPrompt>\r\n");
    ASSERT_TRUE(doc.Save(file.Path()));
    ASSERT_TRUE(file.SetMusic(L"c.mp3", L"C:\\music\\c.mp3"));
    ASSERT_TRUE(file.SetGif(L"s1_gif_d.gif"));
    ASSERT_TRUE(file.Clear());
    EXPECT_TRUE(Exists(folder + L"n6.xml"));
    EXPECT_FALSE(Exists(file.Path()));
}

TEST(PromptFile, ReadersNeverCreateTheFile) {
    CPromptFile file(NoteFolder(L"n6"));
    std::vector<PromptGroup> groups;
    PromptActions actions;
    EXPECT_FALSE(file.ReadGroups(groups));
    EXPECT_FALSE(file.ReadActions(actions));
    EXPECT_FALSE(Exists(file.Path()));
    // Another root is no reminder file.
    CXmlDoc doc;
    doc.SetDoc(L"<MerlaItem>\r\n<Minute/>\r\n</MerlaItem>\r\n");
    ASSERT_TRUE(doc.Save(file.Path()));
    EXPECT_FALSE(file.ReadGroups(groups));
}
