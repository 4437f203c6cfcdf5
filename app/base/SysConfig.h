#pragma once
// "sysconfig.xml" and the per-window settings files. Nothing is cached: readers load, look up and
// let go; writers load, change one key and save at once.
#include <array>
#include <cstdint>
#include <string>

class CXmlDoc;

// Settings step of an object keeping its own file: loads (creating the file when missing), finds or
// adds the root named root_name (with a first child "ID" when id is non-zero) and leaves it current.
bool OpenSettingsFile(CXmlDoc& doc, const std::wstring& path, const std::wstring& root_name, int id);

struct EditOptions {
    int double_click = 0;     // "EditIsDoubleClick"
    int auto_change_line = 1; // "EditIsAutoChangeLine"
    int show_float_wnd = 1;   // "EditIsShowFloatWnd"
};

namespace SysConfig {
inline constexpr int kImageMaxPixelMin = 16, kImageMaxPixelMax = 1024;
inline constexpr int kRowIconMaxPixelMin = 16, kRowIconMaxPixelMax = 128;
inline constexpr int kScaleColorMax = 245;
inline constexpr int kImageMaxPixelSettingsDefault = 100;
inline constexpr int kImageMaxPixelItemDefault = 32;
inline constexpr int kRowIconMaxPixelDefault = 18;

bool ReadInt(const std::wstring& key, int& out);
bool ReadText(const std::wstring& key, std::wstring& out);
// Writes one key below the root "sysconfig" (container path like L"updateinfo" optional).
bool WriteInt(const std::wstring& key, int value, const std::wstring& container = {});
bool WriteText(const std::wstring& key, const std::wstring& value, const std::wstring& container = {});
bool ReadContainerText(const std::wstring& container, const std::wstring& key, std::wstring& out);

EditOptions ReadEditOptions();
// Values are clamped on entry, as the settings page stores them.
int ClampImageMaxPixel(int value);
int ClampRowIconMaxPixel(int value);
int ReadImageMaxPixel(int fallback);
int ReadRowIconMaxPixel();
bool WriteImageMaxPixel(int value);
bool WriteRowIconMaxPixel(int value);
// "dscalecolorvalue": written back as 245 when absent, clamped to 0..245 when read.
int ReadScaleColorValue();
} // namespace SysConfig

// The colour picker's custom colour table, kept in "customcolor.xml".
class CustomColors {
public:
    static constexpr int kCount = 16;
    static std::array<uint32_t, kCount>& Table();
    static void Load();
    static bool Save();
};
