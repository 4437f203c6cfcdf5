#include "tests/richtext/RichTextTestSupport.h"

#include "richtext/FontRegistry.h"
#include "richtext/LGlyph.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <cstdio>

std::unique_ptr<Gdiplus::Bitmap> MakeTestPicture() {
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(4, 3, PixelFormat32bppARGB);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const BYTE a = (x == 3) ? 0x80 : 0xFF;
            bitmap->SetPixel(x, y,
                             Gdiplus::Color(a, static_cast<BYTE>(40 * x), static_cast<BYTE>(70 * y), 200));
        }
    }
    return bitmap;
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    WriteFileAtomic(path, bytes);
}

int InkedPixels(const LSurface& surface, int x, int y, int width, int height) {
    int count = 0;
    for (int j = y; j < y + height; ++j) {
        for (int i = x; i < x + width; ++i)
            count += (surface.Pixel(i, j) >> 24) != 0;
    }
    return count;
}

std::string Describe(const LGlyph* g) {
    char line[256];
    if (g->IsComposite()) {
        const auto* row = static_cast<const LGlyphEditRow*>(g);
        std::snprintf(line, sizeof line, "row gap=%d icon=%d", row->LineGap(), row->Icon() != nullptr);
        std::string s = line;
        if (row->Icon()) {
            std::string hex;
            row->Icon()->GetHexData(hex);
            s += " " + hex;
        }
        return s;
    }
    if (g->IsImage()) {
        std::string hex;
        g->GetHexData(hex);
        const auto [w, h] = g->GetNaturalSize();
        std::snprintf(line, sizeof line, "pic %s %dx%d box=%gx%g back=%08x ",
                      WideToUtf8(g->GetBlipType()).c_str(), w, h, g->Box().Width, g->Box().Height,
                      g->GetBackColor());
        return line + hex;
    }
    const FontEntry font = DescribeFont(g->GetFont());
    std::snprintf(line, sizeof line, "U+%04X %s %d %d color=%08x back=%08x",
                  static_cast<unsigned>(g->GetText()[0]), WideToUtf8(font.family).c_str(), font.size,
                  font.style, g->GetColor(), g->GetBackColor());
    return line;
}

std::string DescribeAll(const GlyphDocument& doc) {
    std::string all;
    for (const LGlyph* g : doc.Glyphs())
        all += Describe(g) + "\n";
    return all;
}
