#pragma once
// The export menu of the notes page: rich text, plain text or pictures. It frees itself once closed;
// the chosen command goes to its owner (toolkit command, wParam = 32001, 32002 or 32003).
#include "toolkit/MerlaMenu.h"

#include <memory>
#include <string>
#include <vector>

namespace ExportCmd {
inline constexpr int kRichText = 32001;
inline constexpr int kPlainText = 32002;
inline constexpr int kPictures = 32003;
} // namespace ExportCmd

class MxMiMenuExport : public MerlaItemMenu {
public:
    static constexpr int kWidth = 120;
    static constexpr wchar_t kCaption[] = L"导出菜单";

    MxMiMenuExport();

    // A new hidden menu owned by owner, to be popped up with PopupAt; null when it cannot be made.
    static MxMiMenuExport* Make(int id, HWND owner);
};
