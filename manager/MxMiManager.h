#pragma once
// The manager window: one large captioned dialog with the notes, templates and settings pages.
// Its frame comes first; the pages join it.
#include "toolkit/MerlaCaption.h"

class MxMiManager : public MerlaCaption {
public:
    static constexpr int kId = 20001;
    static constexpr int kWidth = 1024, kHeight = 732;
    static constexpr wchar_t kNotesTitle[] = L"便签管理";

    MxMiManager();

    bool OnCreate() override;
};
