#pragma once
// The update dialog: the new version's release notes and three answers. Its result is the id of
// the button pressed; any other close answers "以后再说".
#include "richtext/LRichEdit.h"
#include "toolkit/MerlaCaption.h"

#include <string>

class MerlaUpdate : public MerlaCaption {
public:
    static constexpr int kWidth = 360, kHeight = 240;
    static constexpr int kUpdateId = 33001, kSkipId = 33002, kLaterId = 33003;

    explicit MerlaUpdate(std::wstring notes);

    bool OnCreate() override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    void Close() override;

    LRichEdit& Notes() { return text_; }

private:
    std::wstring notes_;
    LRichEdit text_;
    MerlaBt update_{L"", L"更新"}, skip_{L"", L"忽略这个版本"}, later_{L"", L"以后再说"};
};
