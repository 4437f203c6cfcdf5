#pragma once
// The program's message box, for now on the platform's own box until the toolkit's frame exists.
// Texts are shown with the caption "Velin"; the answer is the bit of the pressed button.
#include <windows.h>

#include <string>

#include "app/MessageBoxBits.h"

class MerlaMessageBox {
public:
    MerlaMessageBox(std::wstring text, int buttons, int width = 300)
        : text_(std::move(text)), buttons_(buttons), width_(width) {}
    int DoModal(HWND parent);

private:
    std::wstring text_;
    int buttons_;
    int width_;
};
