#pragma once
// The weekly look for a newer version: once per start, on a thread of its own. It reads the time of
// the last look and a skipped version from "sysconfig.xml" (container "updateinfo"), fetches the
// maker's descriptor, asks the user, and downloads and starts the updater.
#include "reminder/CDateTime.h"

#include <windows.h>

#include <functional>
#include <string>

namespace UpdateKey {
inline constexpr wchar_t kContainer[] = L"updateinfo";
inline constexpr wchar_t kLastCheck[] = L"lassupdatetime";
inline constexpr wchar_t kSkipVersion[] = L"skipversion";
inline constexpr wchar_t kSite[] = L"updatesite";
} // namespace UpdateKey

// The dialog's buttons; any other close counts as "later".
namespace UpdateChoice {
inline constexpr int kUpdate = 33001, kSkip = 33002, kLater = 33003;
} // namespace UpdateChoice

// Messages to the main window. Asking is sent: lParam = const std::wstring* (the release notes),
// the answer is the button pressed.
inline constexpr UINT MSG_MAIN_UPDATE_DOWNLOADING = 50035;
inline constexpr UINT MSG_MAIN_UPDATE_ASK = 50036;

inline constexpr int kUpdateCheckDays = 7;
inline constexpr wchar_t kDescriptorPath[] = L"/downloadupdate.xml";
inline constexpr wchar_t kDescriptorFile[] = L"downloadupdate.xml";
inline constexpr wchar_t kUpdaterFile[] = L"update.exe";

// How a run ended; the tests read it, the program ignores it.
enum class UpdateOutcome {
    kNotDue, // looked less than a week ago
    kNoDescriptor,
    kNotNewer, // the site's version is not newer than ours, or the user skips it
    kNoNotes,
    kAnswered,  // "以后再说", "忽略这个版本" or a close
    kNoUpdater, // "更新" without an updater, or one on another host
    kDownloadFailed,
    kStarted,
};

struct UpdateCheckHooks {
    std::function<CDateTime()> now = [] { return CDateTime::Now(); };
    // Shows the release notes and answers the button pressed.
    std::function<int(const std::wstring& notes)> ask;
    // Tells that the updater is being downloaded.
    std::function<void()> downloading;
    // Starts the downloaded updater.
    std::function<void(const std::wstring& path)> start;
};

// "updatesite" under "updateinfo" when it is a scheme, host and optional port; else the maker's site.
std::wstring UpdateSite();
UpdateOutcome RunUpdateCheck(const UpdateCheckHooks& hooks);

// The thread procedure: asks through the main window (parameter: its handle), which runs the
// dialog on the interface thread.
DWORD WINAPI UpdateCheck(LPVOID main_window);
