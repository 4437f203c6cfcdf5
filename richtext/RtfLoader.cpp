#include "richtext/RtfLoader.h"

#include "richtext/CRtfReader.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LGlyphTChar.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLineGapStep = 7;
constexpr int kIconIndentPadding = 4;
constexpr uint32_t kOpaque = 0xFF000000;

uint32_t Argb(const RtfColor& c) {
    return kOpaque | (static_cast<uint32_t>(c.red) << 16) | (static_cast<uint32_t>(c.green) << 8) | c.blue;
}

// Password and numeric fields take only what they can show.
void FilterRuns(std::vector<RtfRun>& runs, bool single_line, bool numeric) {
    std::vector<RtfRun> kept;
    kept.reserve(runs.size());
    for (RtfRun& run : runs) {
        if (run.IsPicture()) {
            if (!numeric)
                kept.push_back(std::move(run));
            continue;
        }
        std::wstring text;
        for (wchar_t c : run.wide) {
            if (single_line && (c == L'\r' || c == L'\n'))
                continue;
            if (numeric && (c < L'0' || c > L'9'))
                continue;
            text.push_back(c);
        }
        if (text.empty())
            continue;
        run.wide = std::move(text);
        kept.push_back(std::move(run));
    }
    runs = std::move(kept);
}

int Load(RtfLoadTarget& target, CRtfReader& reader, int code, bool record_undo) {
    if (code != kRtfOk)
        return code;
    target.SetProtectionToken(reader.Token());
    std::vector<RtfRun> runs = reader.Runs();
    if (target.IsPasswordMode() || target.IsNumericMode())
        FilterRuns(runs, target.IsSingleLine(), target.IsNumericMode());

    const std::vector<RtfColor> colors = reader.Colors();
    const auto& fonts = reader.Fonts();
    const int start_row = target.CaretRow();
    std::vector<LGlyph*> pending;
    bool inserted = false;
    auto flush = [&] {
        if (pending.empty())
            return;
        inserted = target.InsertAtCaret(pending, record_undo) || inserted;
        pending.clear();
    };

    for (size_t r = 0; r < runs.size(); ++r) {
        const RtfRun& run = runs[r];
        if (!fonts.empty() && run.font >= 0) {
            const int index = reader.FontIndex(run.font);
            const std::wstring& family = fonts[static_cast<size_t>(index)].wide;
            int style = 0;
            style |= run.bold ? Gdiplus::FontStyleBold : 0;
            style |= run.italic ? Gdiplus::FontStyleItalic : 0;
            style |= run.underline ? Gdiplus::FontStyleUnderline : 0;
            style |= run.strike ? Gdiplus::FontStyleStrikeout : 0;
            // Without "fs" (other programs) the size stays what it was.
            int pixels = DescribeFont(target.CurrentFont()).size;
            if (run.size > 0)
                pixels = PointToPixelSize(run.size / 2, family, style);
            pixels = std::clamp(pixels, kMinFontPixels, kMaxFontPixels);
            target.SetCurrentFont(FontRegistry::Instance().Get(family, pixels, style, Gdiplus::UnitPixel));
        }
        const int last_color = static_cast<int>(colors.size()) - 1;
        if (run.color >= 0)
            target.SetCurrentColor(Argb(colors[static_cast<size_t>(std::min(last_color, run.color))]));
        if (run.highlight >= 0) {
            target.SetCurrentHighlight(
                run.highlight == 0 ? 0
                                   : Argb(colors[static_cast<size_t>(std::min(last_color, run.highlight))]));
        }
        bool paragraph_end = false;
        if (run.IsPicture()) {
            pending.push_back(LGlyphImage::FromRtf(run.text, Utf8ToWide(run.blip), run.goal_width,
                                                   run.goal_height, run.natural_width, run.natural_height,
                                                   run.pixel_format, target.CurrentHighlight()));
        } else {
            for (wchar_t c : run.wide) {
                LGlyph* glyph = LGlyphTChar::Create(c, target.CurrentFont(), target.MeasureDc(),
                                                    target.CurrentColor(), target.CurrentAlpha());
                glyph->SetBackColor(target.CurrentHighlight());
                pending.push_back(glyph);
                paragraph_end = paragraph_end || glyph->IsParagraphEnd();
            }
        }
        if (paragraph_end || r + 1 == runs.size())
            flush();
    }
    flush();

    const std::vector<int>& spacings = reader.LineSpacings();
    for (size_t i = 0; i < spacings.size(); ++i) {
        const int row = start_row + static_cast<int>(i);
        if (row >= target.RowCount())
            break;
        // The writer truncates the twips: to the nearest pixel gives its gap back, truncating again
        // would lose a pixel at every save.
        const double gap = static_cast<double>(spacings[i]) * kLineGapStep / kRtfSingleSpacing;
        target.SetRowLineGap(row, static_cast<int>(std::lround(gap)));
    }

    const auto& paragraphs = reader.Paragraphs();
    int indent = target.TextIndent();
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (!paragraphs[i].has_icon)
            continue;
        // Icons belong to the rows the paragraphs went into, counted from the caret's row.
        const int index = start_row + static_cast<int>(i);
        if (index >= target.RowCount())
            break;
        LGlyphEditRow* row = target.Row(index);
        const RtfRun& icon = paragraphs[i].icon;
        row->SetIcon(LGlyphImage::FromRtf(icon.text, Utf8ToWide(icon.blip), icon.goal_width, icon.goal_height,
                                          icon.natural_width, icon.natural_height, icon.pixel_format, 0));
        indent = std::max(indent, row->IconSize() + kIconIndentPadding);
    }
    if (indent != target.TextIndent())
        target.SetTextIndent(indent);
    target.LoadFinished();
    return kRtfOk;
}

} // namespace

int LoadRtf(RtfLoadTarget& target, const std::wstring& path, bool record_undo) {
    CRtfReader reader;
    const int code = reader.Read(path);
    return Load(target, reader, code, record_undo);
}

int LoadRtfBytes(RtfLoadTarget& target, const std::string& bytes, bool record_undo) {
    CRtfReader reader;
    const int code = reader.ReadBytes(bytes);
    return Load(target, reader, code, record_undo);
}
