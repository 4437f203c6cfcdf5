#pragma once
// Whether a reminder file is due at a given local minute: the time-group test, the once-only count
// and the firing decision. Works on a loaded "prompt.xml" and touches no window or file.
#include <string>
#include <string_view>
#include <vector>

class CXmlDoc;

// The local clock as the scheduler sees it.
struct MatchTime {
    int year = 0, month = 0, day = 0;
    int weekday = 0; // 0 = Sunday .. 6 = Saturday
    int hour = 0, minute = 0;
};

// "%04d-%02d-%02d %02d:%02d": the minute in which a note fired or was stopped.
std::wstring MinuteStamp(const MatchTime& t);
// Minutes since 1901-01-01 00:00, to tell whether two evaluations were a minute apart.
long long MinuteNumber(const MatchTime& t);
// Leading decimal digits with an optional sign after white space, as numbers are read from files;
// 0 when there are none.
int ReadLeadingInt(std::wstring_view text);

// Tests the conditions among the children of the document's current parent (a "TimeGroup", or the
// root for files of the old single-group layout).
bool MatchGroup(CXmlDoc& doc, const MatchTime& t);

struct PromptEvaluation {
    bool matched = false;     // a group is due
    bool count_spent = false; // a once-only group was used up: the document changed and must be saved
};
// Runs the groups of a loaded reminder file in order, old layout first, until one is due, and uses
// up that group's once-only count in the document. Nothing matches when the root is not
// "MerlaPrompt". Starts from the top of the document, wherever the position is, and leaves it
// inside the root.
PromptEvaluation EvaluatePrompt(CXmlDoc& doc, const MatchTime& t);
// "FilePath" of every "ExecFile" item, in file order; the position must be inside the root.
std::vector<std::wstring> ReadExecPaths(CXmlDoc& doc);

enum class FireDecision {
    kFire,
    kNothing,
    kForget, // nothing now, and the note leaves the fired set
};
// fired_stamp: the minute the note fired in its current run of matching evaluations, empty when it
// is not in the fired set; stop_stamp: the minute its reminder was last stopped, empty when none.
FireDecision DecideFiring(std::wstring_view fired_stamp, std::wstring_view stop_stamp, std::wstring_view now);
