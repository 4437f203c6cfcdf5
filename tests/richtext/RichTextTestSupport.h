#pragma once
// Helpers shared by the glyph, writer and round-trip tests.
#include "richtext/GlyphDocument.h"

#include <memory>
#include <string>

class LGlyph;

// A 4 x 3 picture of distinct opaque and translucent pixels.
std::unique_ptr<Gdiplus::Bitmap> MakeTestPicture();
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Number of pixels in the rectangle with any alpha.
int InkedPixels(const LSurface& surface, int x, int y, int width, int height);
// What a reader must give back of a glyph: character, font, colours, picture pixels.
std::string Describe(const LGlyph* glyph);
std::string DescribeAll(const GlyphDocument& doc);
