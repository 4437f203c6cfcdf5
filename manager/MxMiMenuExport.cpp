#include "manager/MxMiMenuExport.h"

#include <algorithm>
#include <cmath>

MxMiMenuExport::MxMiMenuExport()
    : MerlaItemMenu({{ExportCmd::kRichText, L"富文本.rtf", L"rtf.png"},
                     {ExportCmd::kPlainText, L"文本.txt", L"txt.png"},
                     {ExportCmd::kPictures, L"图片.png", L"png.png"}},
                    kWidth) {
    SetObjectName(L"MxMiMenuExport");
}

MxMiMenuExport* MxMiMenuExport::Make(int id, HWND owner) {
    auto* menu = new MxMiMenuExport;
    if (!menu->Build(id, kCaption, owner)) {
        delete menu;
        return nullptr;
    }
    menu->SetOwner(owner);
    return menu;
}
