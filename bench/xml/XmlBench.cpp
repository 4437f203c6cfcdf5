// Load, walk every element and save: a typical note record many times, and one large document.
// pugixml's load of the same bytes in the same run is the floor; the large document's load is
// broken down into the steps CXmlDoc::Load takes (read, UTF-8 decode, parse).
#include "store/xml/CXmlDoc.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <pugixml.hpp>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void WriteFile(const wchar_t* path, const std::string& bytes) {
    FILE* f = _wfopen(path, L"wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string NoteRecord() {
    return "<MerlaItem>\r\n<ID>100001</ID>\r\n<name>20261209051530123_00</"
           "name>\r\n<unique>20261209051530123_01</unique>\r\n"
           "<group></group>\r\n<curcolor>-1120</curcolor>\r\n<alpha>255</alpha>\r\n<left>1544</left>\r\n"
           "<top>180</top>\r\n<right>1724</right>\r\n<bottom>360</bottom>\r\n<istopmost>0</istopmost>\r\n"
           "<istrans>0</istrans>\r\n<ishide>0</ishide>\r\n<bkimage>bk.png</bkimage>\r\n<ChildItems>\r\n"
           "<item class=\"MerlaRichEdit\">100002</item>\r\n<item class=\"MerlaImage\">100003</item>\r\n"
           "</ChildItems>\r\n<datetime>2026年12月09日 05时15分30秒</datetime>\r\n"
           "<updatetime>2026年12月09日 "
           "05时15分30秒</updatetime>\r\n<pngview>view.png</pngview>\r\n</MerlaItem>\r\n";
}

std::string LargeDocument(size_t target) {
    std::string doc = "<notes>\r\n";
    for (int i = 0; doc.size() < target; ++i) {
        doc += "<note id=\"" + std::to_string(i) + "\" kind='rich'>\r\n<title>便签 &amp; 提醒 " +
               std::to_string(i) +
               "</title>\r\n<body><![CDATA[some <raw> "
               "text]]></body>\r\n<tags><tag>a</tag><tag>b</tag></tags>\r\n"
               "<empty/>\r\n</note>\r\n";
    }
    return doc + "</notes>\r\n";
}

int WalkOurs(CXmlDoc& doc) {
    int n = 0;
    while (doc.FindNext()) {
        ++n;
        if (doc.Into()) {
            n += WalkOurs(doc);
            doc.OutOf();
        }
    }
    return n;
}

int WalkPugi(pugi::xml_node node) {
    int n = 0;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            n += 1 + WalkPugi(c);
    return n;
}

struct Figures {
    double load = 0, total = 0;
    int elements = 0;
};

Figures RunOurs(const wchar_t* in, const wchar_t* out, int times) {
    Figures f;
    auto start = Clock::now();
    for (int i = 0; i < times; ++i) {
        auto t = Clock::now();
        CXmlDoc doc;
        doc.Load(in);
        f.load += Seconds(t);
        f.elements = WalkOurs(doc);
        doc.Save(out);
    }
    f.total = Seconds(start);
    return f;
}

Figures RunPugi(const wchar_t* in, const wchar_t* out, int times) {
    Figures f;
    auto start = Clock::now();
    for (int i = 0; i < times; ++i) {
        auto t = Clock::now();
        pugi::xml_document doc;
        doc.load_file(in, pugi::parse_default, pugi::encoding_auto);
        f.load += Seconds(t);
        f.elements = WalkPugi(doc);
        doc.save_file(out, "", pugi::format_raw, pugi::encoding_utf8);
    }
    f.total = Seconds(start);
    return f;
}

void Report(const char* what, size_t bytes, int times, const Figures& ours, const Figures& pugi) {
    const double mb = static_cast<double>(bytes) * times / (1024.0 * 1024.0);
    std::printf("%s: %d x %zu bytes, %d elements\n", what, times, bytes, ours.elements);
    std::printf("  CXmlDoc  load+walk+save %8.1f MB/s   load %8.1f MB/s\n", mb / ours.total, mb / ours.load);
    std::printf("  pugixml  load+walk+save %8.1f MB/s   load %8.1f MB/s\n", mb / pugi.total, mb / pugi.load);
    std::printf("  load time ratio CXmlDoc / pugixml: %.2f\n", ours.load / pugi.load);
}

} // namespace

int main() {
    const std::string record = NoteRecord();
    WriteFile(L"bench_record.xml", record);
    constexpr int kRecordTimes = 10000;
    Figures ours = RunOurs(L"bench_record.xml", L"bench_record_out.xml", kRecordTimes);
    Figures pugi = RunPugi(L"bench_record.xml", L"bench_record_out2.xml", kRecordTimes);
    Report("(a) note record", record.size(), kRecordTimes, ours, pugi);

    constexpr size_t kLargeBytes = 5 * 1024 * 1024;
    const std::string large = LargeDocument(kLargeBytes);
    WriteFile(L"bench_large.xml", large);
    constexpr int kLargeTimes = 3;
    ours = RunOurs(L"bench_large.xml", L"bench_large_out.xml", kLargeTimes);
    pugi = RunPugi(L"bench_large.xml", L"bench_large_out2.xml", kLargeTimes);
    Report("(b) generated document", large.size(), kLargeTimes, ours, pugi);
    {
        // Where the load time goes, step by step, against pugixml's whole load; medians of
        // interleaved rounds, since the machine's other work comes and goes.
        constexpr int kRounds = 7;
        std::vector<double> read, decode, parse, load, floor, ratio;
        for (int r = 0; r < kRounds; ++r) {
            auto t = Clock::now();
            std::string bytes;
            ReadFileBytes(L"bench_large.xml", bytes);
            read.push_back(Seconds(t));
            t = Clock::now();
            std::wstring text;
            DecodeUtf8(bytes, text);
            decode.push_back(Seconds(t));
            CXmlDoc doc;
            t = Clock::now();
            doc.SetDoc(text);
            parse.push_back(Seconds(t));
            t = Clock::now();
            CXmlDoc loaded;
            loaded.Load(L"bench_large.xml");
            load.push_back(Seconds(t));
            t = Clock::now();
            pugi::xml_document pdoc;
            pdoc.load_file(L"bench_large.xml", pugi::parse_default, pugi::encoding_auto);
            floor.push_back(Seconds(t));
            ratio.push_back(load.back() / floor.back());
        }
        const auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        std::printf("  median of %d: CXmlDoc load %.1f ms = read %.1f + UTF-8 decode %.1f + parse %.1f ms\n  "
                    "(parse timed through SetDoc, which also copies the text)\n",
                    kRounds, 1000 * median(load), 1000 * median(read), 1000 * median(decode),
                    1000 * median(parse));
        std::printf("  floor: pugixml load %.1f ms; ratio load / floor %.2f (median of the rounds' ratios; "
                    "target 1.3)\n",
                    1000 * median(floor), median(ratio));
    }

    for (const wchar_t* f : {L"bench_record.xml", L"bench_record_out.xml", L"bench_record_out2.xml",
                             L"bench_large.xml", L"bench_large_out.xml", L"bench_large_out2.xml"})
        DeleteFileW(f);
    return 0;
}
