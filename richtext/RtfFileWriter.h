#pragma once
// The document writers: rich text as this system's RTF dialect, and plain text. Their input is the
// glyphs in document order with each row (LGlyphEditRow) just before the glyphs of that row.
//
// Shape of a document (line breaks only before "par"):
//   {\rtf1\ansi\ansicpg936{\fonttbl{\f0\'cb\'ce\'cc\'e5;}}{\colortbl;\red0\green0\blue0;}
//   \sl240\slmult1 \cf1\highlight0\f0\fs20 a\r\n\par \sl480\slmult1 b}
#include "richtext/CRtfWriter.h"

#include <string>
#include <vector>

class LGlyph;

// The RTF bytes of the glyphs; empty when there are none.
std::string RtfBytes(const std::vector<LGlyph*>& glyphs, bool protect, const std::string& token);
// Writes nothing (no file at all) for no glyphs; false when nothing was written.
bool WriteRtfFile(const std::wstring& path, const std::vector<LGlyph*>& glyphs, bool protect,
                  const std::string& token);
// The text of the glyphs with CR LF line ends, in the system's code page; when that code page cannot
// hold all of it, as UTF-8 with a byte-order mark instead, so that nothing is lost.
bool WriteTextFile(const std::wstring& path, const std::vector<LGlyph*>& glyphs);
// One "pict" group; row icons carry "rowpic".
void WritePictureGroup(CRtfWriter& writer, const LGlyph& picture, bool row_icon);
