#include "toolkit/pickers/MerlaSizeSel.h"

#include "toolkit/pickers/PickerValues.h"

namespace {

constexpr wchar_t kRecentCaption[] = L"最近使用的大小";
constexpr wchar_t kFullCaption[] = L"所有大小";
constexpr const wchar_t* kSizes[] = {L"8",  L"9",  L"10", L"11", L"12", L"14", L"16", L"18",
                                     L"20", L"22", L"24", L"26", L"28", L"36", L"48", L"72"};
// What the bar accepts from its size box.
constexpr double kMinStoredSize = 8, kMaxStoredSize = 1024;

} // namespace

MerlaFontSizeList::MerlaFontSizeList() : MerlaPickList(L"MerlaFontSizeList", L"RecentUseSize", L"fontsize") {}

bool MerlaFontSizeList::AcceptsStored(const std::wstring& text) {
    double size = 0;
    return ParseSizeText(text, size) && size >= kMinStoredSize && size <= kMaxStoredSize;
}

MerlaSizeSel::MerlaSizeSel() : MerlaListSel(recent_list_, full_list_, kRecentCaption, kFullCaption) {
    SetObjectName(L"MerlaSizeSel");
}

void MerlaSizeSel::FillFullList() {
    for (const wchar_t* size : kSizes)
        full_list_.AddItem(size);
}
