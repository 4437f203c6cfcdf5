// The weekly update check against a real web server on 127.0.0.1 (scripts/update-site.py), with an
// injected clock and the dialog's answer given by the test.
#include "app/HttpDownload.h"
#include "app/UpdateCheck.h"
#include "app/UpdateDescriptor.h"
#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring SiteDir() {
    wchar_t dir[MAX_PATH] = {};
    GetEnvironmentVariableW(L"VELIN_UPDATE_SITE", dir, MAX_PATH);
    std::wstring d(dir);
    if (!d.empty() && d.back() != L'\\')
        d += L'\\';
    return d;
}

std::string ReadFile(const std::wstring& path) {
    std::string bytes;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char chunk[4096];
        for (size_t n; (n = fread(chunk, 1, sizeof(chunk), f)) > 0;)
            bytes.append(chunk, n);
        fclose(f);
    }
    return bytes;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Site() {
    const std::string port = ReadFile(SiteDir() + L"port");
    return L"http://127.0.0.1:" + std::wstring(port.begin(), port.end());
}

// Serves bytes under name, without any earlier failure count or mode.
void Serve(const std::wstring& name, const std::string& bytes) {
    WriteFile(SiteDir() + name, bytes);
    DeleteFileW((SiteDir() + name + L".fail").c_str());
    DeleteFileW((SiteDir() + name + L".mode").c_str());
}

std::string Descriptor(const char* version, const std::string& exe_url, bool with_items = true) {
    int v[3] = {};
    sscanf(version, "%d.%d.%d", &v[0], &v[1], &v[2]);
    std::string xml = "<update>\r\n<version>\r\n<v1>" + std::to_string(v[0]) + "</v1>\r\n<v2>" +
                      std::to_string(v[1]) + "</v2>\r\n<v3>" + std::to_string(v[2]) +
                      "</v3>\r\n</version>\r\n<description>\r\n";
    if (with_items)
        xml += "<item>修复了提醒。</item>\r\n<item>更快的启动。</item>\r\n";
    xml += "</description>\r\n<exe>" + exe_url + "</exe>\r\n</update>\r\n";
    return xml;
}

std::string Utf8(const std::wstring& text) {
    std::string out(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr,
                        nullptr);
    out.pop_back();
    return out;
}

size_t RequestCount() {
    const std::string log = ReadFile(SiteDir() + L"requests.log");
    size_t lines = 0;
    for (char c : log)
        lines += c == '\n';
    return lines;
}

std::wstring UpdateInfo(const wchar_t* key) {
    CXmlDoc doc;
    std::wstring value = L"<missing>";
    if (doc.Load(SysConfigPath()) && doc.FindNext(L"sysconfig") && doc.Into() &&
        doc.FindNext(L"updateinfo") && doc.Into())
        doc.GetChildText(key, value);
    return value;
}

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(SiteDir().empty()) << "VELIN_UPDATE_SITE is not set";
        ASSERT_TRUE(Exists(SiteDir() + L"port"));
        site_ = Site();
        Configure(L"");
        Serve(L"downloadupdate.xml", Descriptor("1.5.0", Utf8(site_) + "/update.exe"));
    }

    // sysconfig.xml naming the local site and holding the given "updateinfo" children.
    void Configure(const std::wstring& children) {
        WriteFile(SysConfigPath(),
                  Utf8(L"<sysconfig>\r\n<updateinfo>\r\n<updatesite>" + site_ + L"</updatesite>\r\n" +
                       children + L"</updateinfo>\r\n</sysconfig>\r\n"));
    }

    UpdateOutcome Run(const CDateTime& now, int answer = UpdateChoice::kLater) {
        UpdateCheckHooks hooks;
        hooks.now = [now] { return now; };
        hooks.ask = [this, answer](const std::wstring& notes) {
            asked_.push_back(notes);
            return answer;
        };
        hooks.start = [this](const std::wstring& path) {
            started_ = path;
            ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
        };
        return RunUpdateCheck(hooks);
    }

    // A look as at a first start: nothing recorded yet.
    UpdateOutcome Look(int answer = UpdateChoice::kLater) {
        Configure(L"");
        return Run(kLastLook, answer);
    }

    static inline const CDateTime kLastLook{2026, 12, 1, 10, 0, 0};
    std::wstring site_;
    std::vector<std::wstring> asked_;
    std::wstring started_;
};

const CDateTime kLast(2026, 12, 1, 10, 0, 0);

TEST_F(UpdateCheckTest, FirstStartRecordsTheTimeAndLooksAtOnce) {
    EXPECT_EQ(Run(kLast), UpdateOutcome::kAnswered);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0], L"修复了提醒。更快的启动。");
    EXPECT_EQ(UpdateInfo(L"lassupdatetime"), L"2026-12-01 10:00:00");
}

TEST_F(UpdateCheckTest, LooksOnlyWhenMoreThanAWeekHasPassed) {
    Configure(L"<lassupdatetime>2026-12-01 10:00:00</lassupdatetime>\r\n");
    const size_t before = RequestCount();
    EXPECT_EQ(Run(CDateTime(2026, 12, 6, 10, 0, 0)), UpdateOutcome::kNotDue);
    EXPECT_EQ(RequestCount(), before) << "five days later the site was asked";
    EXPECT_EQ(Run(CDateTime(2026, 12, 9, 10, 0, 0)), UpdateOutcome::kAnswered);
    EXPECT_GT(RequestCount(), before);
    // A broken stored time is replaced and the look goes on.
    Configure(L"<lassupdatetime>gestern</lassupdatetime>\r\n");
    EXPECT_EQ(Run(kLast), UpdateOutcome::kAnswered);
    EXPECT_EQ(UpdateInfo(L"lassupdatetime"), L"2026-12-01 10:00:00");
}

TEST_F(UpdateCheckTest, VersionsCompareAsNumbers) {
    UpdateVersion v;
    EXPECT_TRUE(UpdateVersion::Parse(L"1.10.0", v));
    EXPECT_FALSE(UpdateVersion::Parse(L"1.10", v));
    EXPECT_FALSE(UpdateVersion::Parse(L"1.a.0", v));
    for (const char* same_or_older : {"1.4.1", "1.4.0", "0.9.99"}) {
        Serve(L"downloadupdate.xml", Descriptor(same_or_older, ""));
        EXPECT_EQ(Look(), UpdateOutcome::kNotNewer) << same_or_older;
    }
    EXPECT_TRUE(asked_.empty());
    // As text, 1.10.0 would sort before 1.4.1.
    Serve(L"downloadupdate.xml", Descriptor("1.10.0", ""));
    EXPECT_EQ(Look(), UpdateOutcome::kAnswered);
    EXPECT_EQ(asked_.size(), 1u);
}

TEST_F(UpdateCheckTest, ASkippedVersionIsNotOfferedAgainButAHigherOneIs) {
    EXPECT_EQ(Run(kLast, UpdateChoice::kSkip), UpdateOutcome::kAnswered);
    EXPECT_EQ(UpdateInfo(L"skipversion"), L"1.5.0");
    const CDateTime week_later(2026, 12, 9, 10, 0, 0);
    EXPECT_EQ(Run(week_later), UpdateOutcome::kNotNewer);
    EXPECT_EQ(asked_.size(), 1u);
    Serve(L"downloadupdate.xml", Descriptor("1.5.1", ""));
    EXPECT_EQ(Run(week_later), UpdateOutcome::kAnswered);
    EXPECT_EQ(asked_.size(), 2u);
    EXPECT_EQ(UpdateInfo(L"skipversion"), L"<missing>") << "\"以后再说\" keeps a skipped version";
    EXPECT_EQ(UpdateInfo(L"lassupdatetime"), L"2026-12-09 10:00:00");
}

TEST_F(UpdateCheckTest, UpdateDownloadsAndStartsTheUpdaterFromTheSite) {
    // The site answers "busy" a few times first.
    WriteFile(SiteDir() + L"downloadupdate.xml.fail", "3");
    EXPECT_EQ(Run(kLast, UpdateChoice::kUpdate), UpdateOutcome::kStarted);
    const std::wstring updater = ExeDir() + L"download\\update.exe";
    EXPECT_EQ(started_, updater);
    EXPECT_EQ(ReadFile(updater), ReadFile(SiteDir() + L"update.exe"));
    bool ran = false;
    for (int waited = 0; waited < 20000 && !ran; waited += 100, Sleep(100))
        ran = Exists(ExeDir() + L"download\\updater-ran");
    EXPECT_TRUE(ran);
    EXPECT_EQ(UpdateInfo(L"lassupdatetime"), L"2026-12-01 10:00:00");
}

TEST_F(UpdateCheckTest, UntrustedOrIncompleteUpdatersAreNeverRun) {
    // The same server under another name is another host.
    std::wstring other = site_;
    other.replace(other.find(L"127.0.0.1"), 9, L"localhost");
    Serve(L"downloadupdate.xml", Descriptor("1.5.0", Utf8(other) + "/update.exe"));
    EXPECT_EQ(Look(UpdateChoice::kUpdate), UpdateOutcome::kNoUpdater);
    // A body shorter than announced.
    Serve(L"downloadupdate.xml", Descriptor("1.5.0", Utf8(site_) + "/short.exe"));
    Serve(L"short.exe", std::string(4000, 'x'));
    WriteFile(SiteDir() + L"short.exe.mode", "truncate");
    EXPECT_EQ(Look(UpdateChoice::kUpdate), UpdateOutcome::kDownloadFailed);
    EXPECT_TRUE(started_.empty());
    EXPECT_FALSE(Exists(ExeDir() + L"download\\update.exe"));
    EXPECT_FALSE(Exists(ExeDir() + L"update.exe"));
    EXPECT_EQ(UpdateInfo(L"lassupdatetime"), L"2026-12-01 10:00:00") << "written on entry only";
}

TEST_F(UpdateCheckTest, ABrokenOrMissingDescriptorEndsSilently) {
    Serve(L"downloadupdate.xml", "<update><version><v1>2</v1></version");
    EXPECT_EQ(Look(), UpdateOutcome::kNoDescriptor);
    Serve(L"downloadupdate.xml", Descriptor("1.5.0", "", false));
    EXPECT_EQ(Look(), UpdateOutcome::kNoNotes);
    WriteFile(SiteDir() + L"downloadupdate.xml.fail", "25");
    EXPECT_EQ(Look(), UpdateOutcome::kNoDescriptor) << "ten busy answers end the look";
    EXPECT_TRUE(asked_.empty());
}

TEST(HttpDownload, RefusesPlainHttpOffLoopbackAndBodiesOverTheLimit) {
    UrlParts parts;
    ASSERT_TRUE(CrackUrl(L"http://velin.example:8080/a/b.xml?x=1", parts));
    EXPECT_EQ(parts.host, L"velin.example");
    EXPECT_EQ(parts.port, 8080);
    EXPECT_EQ(parts.path, L"/a/b.xml?x=1");
    EXPECT_FALSE(IsTrustedUrl(parts));
    EXPECT_FALSE(CrackUrl(L"ftp://127.0.0.1/x", parts));
    for (const wchar_t* host : {L"localhost", L"127.0.0.1", L"127.1.2.3", L"::1"})
        EXPECT_TRUE(IsLoopbackHost(host)) << host;
    for (const wchar_t* host : {L"127.0.0.1.example", L"10.0.0.1", L"localhost.example"})
        EXPECT_FALSE(IsLoopbackHost(host)) << host;
    EXPECT_FALSE(HttpDownload(L"http://velin.example/downloadupdate.xml", L"refused.xml"));
    EXPECT_FALSE(Exists(L"refused.xml"));

    const std::wstring site = Site();
    Serve(L"big.bin", std::string(5000, 'b'));
    EXPECT_FALSE(HttpDownload(site + L"/big.bin", L"big.bin", 1000)) << "announced length over the limit";
    WriteFile(SiteDir() + L"big.bin.mode", "nolength");
    EXPECT_FALSE(HttpDownload(site + L"/big.bin", L"big.bin", 1000)) << "unannounced body over the limit";
    EXPECT_FALSE(Exists(L"big.bin"));
    // A folder name the ANSI code page cannot hold.
    const std::wstring folder = L"\uD55C\uAE00\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_TRUE(HttpDownload(site + L"/big.bin", folder + L"big.bin", 5000));
    EXPECT_EQ(ReadFile(folder + L"big.bin"), std::string(5000, 'b'));
}

} // namespace
