// Load, walk every element and save: a typical note record many times, and one large document.
// pugixml runs the same work as a yardstick.
#include "store/xml/CXmlDoc.h"

#include <pugixml.hpp>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

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
        // Where the load time goes: decoding versus indexing.
        CXmlDoc doc;
        doc.Load(L"bench_large.xml");
        const std::wstring text = doc.GetDoc();
        auto t = Clock::now();
        for (int i = 0; i < kLargeTimes; ++i)
            doc.SetDoc(text);
        std::printf("  CXmlDoc  parse only %8.1f MB/s\n",
                    static_cast<double>(large.size()) * kLargeTimes / (1024.0 * 1024.0) / Seconds(t));
    }

    for (const wchar_t* f : {L"bench_record.xml", L"bench_record_out.xml", L"bench_record_out2.xml",
                             L"bench_large.xml", L"bench_large_out.xml", L"bench_large_out2.xml"})
        DeleteFileW(f);
    return 0;
}
