#pragma once
// One picture. Its pixels live in a data file of its own under the temporary image folder, shared
// by clones and counted in ImageFileRefs; the last glyph to let go deletes the file.
//   "pngblip", "gifblip": raw 32-bit ARGB, natural width x height x 4 bytes (B, G, R, A), rows top
//                         down; the names are keywords of the RTF dialect, not PNG or GIF streams.
//   "wmetafile8":         Windows metafile bits.
#include "richtext/LGlyph.h"

#include <string_view>

inline constexpr wchar_t kBlipPng[] = L"pngblip";
inline constexpr wchar_t kBlipGif[] = L"gifblip";
inline constexpr wchar_t kBlipMetafile[] = L"wmetafile8";

class LGlyphImage : public LGlyph {
public:
    // From a picture: a new data file in the blip type's form. A "wmetafile8" the platform cannot
    // convert (Wine answers an empty metafile) is kept as "pngblip" so that no picture is lost.
    static LGlyphImage* FromImage(Gdiplus::Image* image, const std::wstring& blip_type);
    // From RTF data: goal size in twips gives the display size at 96 dpi.
    static LGlyphImage* FromRtf(std::string_view hex, const std::wstring& blip_type, int goal_width,
                                int goal_height, int natural_width, int natural_height, int pixel_format,
                                uint32_t back_color);
    ~LGlyphImage() override;

    void Draw(HDC dc, void* bits, const Gdiplus::RectF& rect) override;
    void DrawSelf(HDC dc, void* bits) override { Draw(dc, bits, ink_); }
    void SetBox(const Gdiplus::RectF& box) override;
    void SetBox(float x, float y, float width, float height) override {
        SetBox(Gdiplus::RectF(x, y, width, height));
    }
    LGlyph* Clone() const override;
    void SetBackColor(uint32_t argb) override;
    uint32_t GetBackColor() const override { return back_color_; }
    int GetAscent() const override { return baseline_offset_; }
    bool IsImage() const override { return true; }
    int GetPixelFormat() const override { return pixel_format_; }
    std::wstring GetBlipType() const override { return blip_type_; }
    bool GetHexData(std::string& out) const override;

    const std::wstring& DataPath() const { return data_path_; }
    std::pair<int, int> DisplaySize() const { return {display_width_, display_height_}; }

private:
    LGlyphImage() = default;
    // The picture at its natural size (metafiles at the display size); null when there is none.
    Gdiplus::Bitmap* LoadBitmap(std::string& bytes) const;

    int baseline_offset_ = 0;
    int box_height_ = 0;
    std::wstring blip_type_;
    std::wstring data_path_;
    int pixel_format_ = kPixelFormat32bppARGB;
    uint32_t back_color_ = 0;
    int display_width_ = 0, display_height_ = 0;
};

// Decodes pairs of hex digits (anything else is skipped) into a new file under the temporary image
// folder; answers its path, empty for empty data or when the file cannot be written.
std::wstring MakeImageDataFile(std::string_view hex);
// Two lowercase hex digits per byte.
void AppendHex(std::string& out, std::string_view bytes);
