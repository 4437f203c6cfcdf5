#include "app/UpdateCheck.h"

#include "app/HttpDownload.h"
#include "app/Product.h"
#include "app/UpdateDescriptor.h"
#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"

#include <shellapi.h>

#include <cstdio>
#include <cwctype>

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Enters "sysconfig" and then "updateinfo" (added when missing); false when the file cannot be
// read or has another root.
bool OpenUpdateInfo(CXmlDoc& doc) {
    if (!doc.Load(SysConfigPath()) || !doc.FindNext(L"sysconfig") || !doc.Into())
        return false;
    return doc.EnsureChild(UpdateKey::kContainer) && doc.Into();
}

bool ParseStrict(const std::wstring& text, CDateTime& out) {
    int y, mo, d, h, mi, s;
    wchar_t tail = 0;
    if (swscanf(text.c_str(), L"%4d-%2d-%2d %2d:%2d:%2d%lc", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    out = CDateTime(y, mo, d, h, mi, s);
    return true;
}

int64_t SecondsBetween(const CDateTime& from, const CDateTime& to) {
    const CDateTimeSpan span = to.Difference(from);
    return int64_t{span.days} * kSecondsPerDay + span.hours * 3600 + span.minutes * 60 + span.seconds;
}

// Steps before the download: whether a look is due, and the skipped version.
bool IsDue(const CDateTime& now, std::wstring& skip) {
    CXmlDoc doc;
    if (!OpenUpdateInfo(doc))
        return true; // nothing can be recorded, so every start looks
    bool save = false;
    std::wstring last;
    CDateTime stored;
    doc.Rewind();
    if (!doc.GetChildText(UpdateKey::kLastCheck, last) || !ParseStrict(last, stored) ||
        SecondsBetween(stored, now) < 0) {
        // Missing, broken, or in the future (a clock once set ahead would stop every look).
        doc.Rewind();
        doc.SetChildText(UpdateKey::kLastCheck, now.Format());
        save = true;
    } else if (SecondsBetween(stored, now) / kSecondsPerDay <= kUpdateCheckDays) {
        return false;
    }
    if (save)
        doc.Save(SysConfigPath());
    doc.Rewind();
    doc.GetChildText(UpdateKey::kSkipVersion, skip);
    return true;
}

void RecordAnswer(const CDateTime& now, int choice, const UpdateVersion& remote) {
    CXmlDoc doc;
    if (!OpenUpdateInfo(doc))
        return;
    doc.SetChildText(UpdateKey::kLastCheck, now.Format());
    doc.Rewind();
    if (choice == UpdateChoice::kSkip) {
        doc.SetChildText(UpdateKey::kSkipVersion, remote.Format());
    } else if (doc.FindNext(UpdateKey::kSkipVersion)) {
        doc.RemoveCurrent();
    }
    doc.Save(SysConfigPath());
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

} // namespace

std::wstring UpdateSite() {
    std::wstring site;
    CXmlDoc doc;
    if (doc.Load(SysConfigPath()) && doc.FindNext(L"sysconfig") && doc.Into() &&
        doc.FindNext(UpdateKey::kContainer) && doc.Into() && doc.GetChildText(UpdateKey::kSite, site)) {
        while (!site.empty() && site.back() == L'/')
            site.pop_back();
        UrlParts parts;
        if (CrackUrl(site, parts) && parts.path == L"/")
            return site;
    }
    return kMakerSite;
}

UpdateOutcome RunUpdateCheck(const UpdateCheckHooks& hooks) {
    const CDateTime now = hooks.now();
    std::wstring skip_text;
    if (!IsDue(now, skip_text))
        return UpdateOutcome::kNotDue;

    const std::wstring site = UpdateSite();
    const std::wstring descriptor_file = ExeDir() + kDescriptorFile;
    UpdateDescriptor descriptor;
    if (!HttpDownload(site + kDescriptorPath, descriptor_file) ||
        !UpdateDescriptor::FromFile(descriptor_file, descriptor))
        return UpdateOutcome::kNoDescriptor;
    UpdateVersion skip, ours;
    if (UpdateVersion::Parse(skip_text, skip) && skip >= descriptor.version)
        return UpdateOutcome::kNotNewer;
    UpdateVersion::Parse(kProductVersion, ours);
    if (ours >= descriptor.version)
        return UpdateOutcome::kNotNewer;
    if (!descriptor.has_notes)
        return UpdateOutcome::kNoNotes;

    const int choice = hooks.ask ? hooks.ask(descriptor.notes) : UpdateChoice::kLater;
    if (choice == UpdateChoice::kUpdate) {
        // Only an updater from the configured site is ever run.
        UrlParts exe, home;
        if (descriptor.exe_url.empty() || !CrackUrl(descriptor.exe_url, exe) || !CrackUrl(site, home) ||
            Lower(exe.host) != Lower(home.host))
            return UpdateOutcome::kNoUpdater;
        const std::wstring download = ExeDir() + L"download";
        const std::wstring target = CreateDirectoryW(download.c_str(), nullptr)
                                        ? download + L"\\" + kUpdaterFile
                                        : ExeDir() + kUpdaterFile;
        if (hooks.downloading)
            hooks.downloading();
        if (!HttpDownload(descriptor.exe_url, target))
            return UpdateOutcome::kDownloadFailed;
        if (hooks.start)
            hooks.start(target);
        RecordAnswer(now, choice, descriptor.version);
        return UpdateOutcome::kStarted;
    }
    RecordAnswer(now, choice, descriptor.version);
    return UpdateOutcome::kAnswered;
}

DWORD WINAPI UpdateCheck(LPVOID main_window) {
    const HWND main = static_cast<HWND>(main_window);
    UpdateCheckHooks hooks;
    hooks.ask = [main](const std::wstring& notes) {
        const LRESULT answer = SendMessageW(main, MSG_MAIN_UPDATE_ASK, 0, reinterpret_cast<LPARAM>(&notes));
        return answer ? static_cast<int>(answer) : UpdateChoice::kLater;
    };
    hooks.downloading = [main] { PostMessageW(main, MSG_MAIN_UPDATE_DOWNLOADING, 0, 0); };
    hooks.start = [](const std::wstring& path) {
        ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
    };
    RunUpdateCheck(hooks);
    return 0;
}
