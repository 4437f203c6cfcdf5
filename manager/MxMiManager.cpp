#include "manager/MxMiManager.h"

MxMiManager::MxMiManager() : MerlaCaption(kWidth, kHeight) {
    SetObjectName(L"sysconfig");
    SetTitle(kNotesTitle);
    SetTitleIcon(L"Merla.png");
}

bool MxMiManager::OnCreate() {
    const bool ok = MerlaCaption::OnCreate();
    // Without an owner: centred on the monitor under the pointer.
    PlaceOverParent(2);
    if (Redraw())
        Present();
    return ok;
}
