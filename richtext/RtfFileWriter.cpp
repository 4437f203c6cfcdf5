#include "richtext/RtfFileWriter.h"

#include "richtext/ColorRegistry.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyph.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <unordered_map>

namespace {

constexpr int kLineGapStep = 7; // pixels of line gap per line of spacing
constexpr int kTwipsPerLine = 240;
constexpr int kHundredthsMmPerInch = 2540;
constexpr int kTwipsPerInch = 1440;
constexpr wchar_t kLineFeed = 10;
constexpr wchar_t kCarriageReturn = 13;

struct Style {
    int bit;
    const char* on;
    const char* off;
};
const Style kStyles[] = {{Gdiplus::FontStyleBold, "b", "b0"},
                         {Gdiplus::FontStyleItalic, "i", "i0"},
                         {Gdiplus::FontStyleUnderline, "ul", "ulnone"},
                         {Gdiplus::FontStyleStrikeout, "strike", "strike0"}};

std::pair<float, float> DesktopDpi() {
    HDC screen = GetDC(nullptr);
    float x = 96, y = 96;
    {
        Gdiplus::Graphics g(screen);
        x = g.GetDpiX();
        y = g.GetDpiY();
    }
    ReleaseDC(nullptr, screen);
    if (x <= 0)
        x = 96;
    if (y <= 0)
        y = 96;
    return {x, y};
}

} // namespace

void WritePictureGroup(CRtfWriter& writer, const LGlyph& picture, bool row_icon) {
    static const std::pair<float, float> dpi = DesktopDpi();
    const int w = static_cast<int>(picture.Box().Width);
    const int h = static_cast<int>(picture.Box().Height);
    writer.OpenGroup();
    writer.WriteControl("pict");
    if (row_icon)
        writer.WriteControl("rowpic");
    writer.WriteControl(WideToUtf8(picture.GetBlipType()));
    writer.WriteControl("picw", static_cast<int>(w * kHundredthsMmPerInch / dpi.first));
    writer.WriteControl("pich", static_cast<int>(h * kHundredthsMmPerInch / dpi.second));
    writer.WriteControl("picwgoal", static_cast<int>(w * kTwipsPerInch / dpi.first));
    writer.WriteControl("pichgoal", static_cast<int>(h * kTwipsPerInch / dpi.second));
    const auto [natural_width, natural_height] = picture.GetNaturalSize();
    writer.WriteControl("initcx", natural_width);
    writer.WriteControl("initcy", natural_height);
    writer.WriteControl("pixelformat", picture.GetPixelFormat());
    writer.WriteText(L" ");
    std::string hex;
    if (picture.GetHexData(hex))
        writer.WriteRaw(hex);
    writer.CloseGroup();
}

std::string RtfBytes(const std::vector<LGlyph*>& glyphs, bool protect, const std::string& token) {
    if (glyphs.empty())
        return {};
    const std::vector<const FontEntry*> fonts = FontRegistry::Instance().Entries();
    const std::vector<uint32_t> colors = ColorRegistry::Instance().Colors();
    std::unordered_map<const Gdiplus::Font*, int> font_index;
    for (size_t i = 0; i < fonts.size(); ++i)
        font_index[fonts[i]->font] = static_cast<int>(i);
    std::unordered_map<uint32_t, int> color_index;
    for (size_t i = 0; i < colors.size(); ++i)
        color_index[colors[i]] = static_cast<int>(i);
    auto index_of_color = [&](uint32_t argb) {
        auto it = color_index.find(argb);
        return it == color_index.end() ? -1 : it->second;
    };

    CRtfWriter w;
    w.OpenGroup();
    w.WriteControl("rtf1");
    w.WriteControl("ansi");
    w.WriteControl("ansicpg936");
    if (!fonts.empty()) {
        w.OpenGroup();
        w.WriteControl("fonttbl");
        for (size_t i = 0; i < fonts.size(); ++i) {
            w.OpenGroup();
            w.WriteControl("f", static_cast<int>(i));
            // A name starting with a digit ("8514oem") or a space would run into the word.
            const std::wstring& family = fonts[i]->family;
            if (!family.empty() && ((family[0] >= L'0' && family[0] <= L'9') || family[0] == L' '))
                w.WriteRaw(" ");
            w.WriteText(family + L";");
            w.CloseGroup();
        }
        w.CloseGroup();
    }
    if (!colors.empty()) {
        w.OpenGroup();
        w.WriteControl("colortbl");
        w.WriteText(L";");
        for (uint32_t c : colors) {
            w.WriteControl("red", static_cast<int>((c >> 16) & 0xFF));
            w.WriteControl("green", static_cast<int>((c >> 8) & 0xFF));
            w.WriteControl("blue", static_cast<int>(c & 0xFF));
            w.WriteText(L";");
        }
        w.CloseGroup();
    }
    if (protect) {
        w.OpenGroup();
        w.WriteControl("eecnpts");
        w.WriteRaw(" ");
        w.WriteRaw(token);
        w.CloseGroup();
    }

    int last_font = -1, last_size = -1, last_color = -1, last_highlight = -1;
    int last_style = 0;
    for (const LGlyph* g : glyphs) {
        if (g->IsComposite()) {
            w.WriteControl(
                "sl", static_cast<int>(static_cast<double>(g->GetLineGap()) / kLineGapStep * kTwipsPerLine));
            w.WriteControl("slmult1 ");
            g->WriteRtf(w);
            continue;
        }
        bool needs_space = false;
        if (!colors.empty()) {
            const int c = index_of_color(g->GetColor());
            if (c != last_color) {
                w.WriteControl("cf", c + 1);
                last_color = c;
                needs_space = true;
            }
            const uint32_t back = g->GetBackColor();
            if (back != 0) {
                const int d = index_of_color(back);
                if (d != last_highlight) {
                    w.WriteControl("highlight", d + 1);
                    last_highlight = d;
                    needs_space = true;
                }
            } else if (last_highlight != 0) {
                w.WriteControl("highlight", 0);
                last_highlight = 0;
                needs_space = true;
            }
        }
        if (g->IsImage()) {
            WritePictureGroup(w, *g, false);
            continue;
        }
        if (!g->IsChar())
            continue;
        Gdiplus::Font* font = g->GetFont();
        if (!fonts.empty() && font) {
            auto it = font_index.find(font);
            const int f = it == font_index.end() ? -1 : it->second;
            if (f >= 0 && f != last_font) {
                w.WriteControl("f", f);
                last_font = f;
                needs_space = true;
            }
            const FontEntry entry = DescribeFont(font);
            for (const Style& s : kStyles) {
                const bool on = (entry.style & s.bit) != 0;
                if (on != ((last_style & s.bit) != 0)) {
                    w.WriteControl(on ? s.on : s.off);
                    needs_space = true;
                }
            }
            last_style = entry.style;
            const int points = PixelToPointSize(static_cast<int>(font->GetSize()), entry.family, entry.style);
            if (points != last_size) {
                w.WriteControl("fs", 2 * points);
                last_size = points;
                needs_space = true;
            }
        }
        if (needs_space)
            w.WriteRaw(" ");
        const std::wstring text = g->GetText();
        if (text.size() == 1 && (text[0] == kCarriageReturn || text[0] == kLineFeed)) {
            w.WriteControl("par");
            w.WriteRaw(" ");
        } else {
            w.WriteText(text);
        }
    }
    w.CloseGroup();
    return w.TakeBytes();
}

bool WriteRtfFile(const std::wstring& path, const std::vector<LGlyph*>& glyphs, bool protect,
                  const std::string& token) {
    const std::string bytes = RtfBytes(glyphs, protect, token);
    if (bytes.empty())
        return false;
    return WriteFileAtomic(path, bytes);
}

bool WriteTextFile(const std::wstring& path, const std::vector<LGlyph*>& glyphs) {
    std::wstring text;
    for (const LGlyph* g : glyphs) {
        const std::wstring piece = g->GetText();
        for (wchar_t c : piece) {
            if (c == kCarriageReturn)
                text += L"\r\n";
            else
                text.push_back(c);
        }
    }
    if (text.empty())
        return false;
    bool lossy = false;
    std::string bytes = WideToCodePage(0, text, &lossy);
    if (lossy || CodePageToWide(0, bytes) != text)
        bytes = "\xEF\xBB\xBF" + WideToUtf8(text);
    return WriteFileAtomic(path, bytes);
}
