#include "app/MerlaMessageBox.h"

int MerlaMessageBox::DoModal(HWND parent) {
    UINT type = MB_OK;
    if ((buttons_ & kMbYes) && (buttons_ & kMbNo))
        type = (buttons_ & kMbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if ((buttons_ & kMbOk) && (buttons_ & kMbCancel))
        type = MB_OKCANCEL;
    switch (MessageBoxW(parent, text_.c_str(), L"Velin", type | MB_SETFOREGROUND)) {
    case IDYES:
        return kMbYes;
    case IDNO:
        return kMbNo;
    case IDCANCEL:
        return kMbCancel;
    default:
        return kMbOk;
    }
}
