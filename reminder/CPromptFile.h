#pragma once
// "prompt.xml" in a note folder: the note's time groups and the actions taken when one fires.
// Every write is one complete load-change-save cycle, serialised in the process with the
// scheduler's own rewrites; readers load the file afresh and never create it.
//
//   <MerlaPrompt>
//   <ID>100020</ID>
//   <TimeGroup Identify="20260101093000123_101" DateTime="2026-01-01 09:30:00">
//   <Minute>
//   <item value="30">30分</item>
//   </Minute>
//   <PromptCount>1</PromptCount>
//   </TimeGroup>
//   <ExecFile>
//   <item FilePath="C:\tools\a.bat">a.bat</item>
//   </ExecFile>
//   </MerlaPrompt>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The group whose conditions stand directly under the root, in files from before time groups.
inline constexpr wchar_t kLegacyGroupIdentity[] = L"before1_3_1";
inline constexpr wchar_t kPromptFileName[] = L"prompt.xml";
inline constexpr wchar_t kPromptRoot[] = L"MerlaPrompt";
inline constexpr wchar_t kLunarCalendarValue[] = L"Lunar";
inline constexpr wchar_t kLunarCalendarText[] = L"农历";
// Between the editor's stamp and the chosen file's name in the name of a GIF copy.
inline constexpr wchar_t kGifCopyMark[] = L"_gif_";

enum class PromptList { kMinute, kHour, kDay, kWeek, kMonth, kYear };
inline constexpr int kPromptListCount = 6;

struct PromptLabel {
    std::wstring text;
    std::wstring value; // as stored; matching reads its leading number
};

struct PromptFileItem {
    std::wstring name;
    std::wstring path; // "FilePath"
};

struct PromptGroup {
    std::wstring identity;
    std::wstring created; // "%Y-%m-%d %H:%M:%S"; empty for the old single group
    std::vector<PromptLabel> lists[kPromptListCount];
    bool has_calendar = false;
    PromptLabel calendar;
    bool has_count = false;
    int count = 0;
};

struct PromptActions {
    std::vector<PromptLabel> styles;
    std::vector<PromptFileItem> exec_files;
    bool has_music = false;
    PromptFileItem music;
    std::wstring gif; // file name in the note folder, empty when none
};

class CPromptFile {
public:
    // note_folder ends with a backslash; creator_id is written as "ID" when the file is created.
    explicit CPromptFile(std::wstring note_folder, int creator_id = 0);

    const std::wstring& Path() const { return path_; }
    // Held by everybody who rewrites a reminder file, for the whole load-change-save.
    static std::mutex& WriteLock();
    static const wchar_t* ListElement(PromptList kind);

    bool AddTimeLabel(PromptList kind, std::wstring_view identity, std::wstring_view text, int value);
    bool RemoveTimeLabel(PromptList kind, std::wstring_view identity, std::wstring_view text);
    bool SetCalendar(std::wstring_view identity, std::wstring_view text, std::wstring_view value);
    bool RemoveCalendar(std::wstring_view identity);
    bool SetOnce(std::wstring_view identity, int count);
    bool RemoveOnce(std::wstring_view identity);
    bool AddStyle(std::wstring_view text, int value);
    bool RemoveStyle(std::wstring_view text);
    bool AddExecFile(std::wstring_view name, std::wstring_view path);
    bool RemoveExecFile(std::wstring_view name);
    // name is the copy of the file at path in the note folder; the copy of an earlier music is
    // deleted once the file no longer names it.
    bool SetMusic(std::wstring_view name, std::wstring_view path);
    bool RemoveMusic();
    // Deletes the copies of earlier pictures from the note folder.
    bool SetGif(std::wstring_view name);
    bool RemoveGif();
    // The whole reminder: the GIF and music copies and the file itself.
    bool Clear();
    // Names the editor's copies can have: only these are ever deleted from the note folder.
    static bool IsGifCopyName(std::wstring_view name);
    static bool IsMusicName(std::wstring_view name);
    bool AddGroup(std::wstring_view identity, std::wstring_view created);
    // The old single group loses its time lists and count; its calendar stays.
    bool RemoveGroup(std::wstring_view identity);

    // Groups in ascending order of creation time; the old single group (identity
    // kLegacyGroupIdentity) is listed when the root holds any of its labels.
    bool ReadGroups(std::vector<PromptGroup>& out) const;
    bool ReadActions(PromptActions& out) const;

private:
    std::wstring folder_;
    std::wstring path_;
    int creator_id_ = 0;
};
