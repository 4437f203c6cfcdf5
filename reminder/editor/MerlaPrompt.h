#pragma once
// The reminder dialog of a note: the groups and note-wide labels on the left, the palette of labels
// on the right. Every click is written to "prompt.xml" at once; closing never writes.
#include "reminder/editor/MerlaAddPrompt.h"
#include "reminder/editor/MerlaShowPrompt.h"
#include "toolkit/MerlaCaption.h"
#include "toolkit/MerlaLabel.h"

#include <string>

class MerlaPrompt : public MerlaCaption {
public:
    static constexpr int kId = 20100;
    static constexpr int kWidth = 584, kHeight = 540;
    static constexpr int kNoMinuteBoxId = 30801;
    static constexpr int kNoMinuteBoxWidth = 300, kNoMinuteBoxHeight = 120;

    // folder is the note folder (ending with a backslash), name the note's name.
    MerlaPrompt(std::wstring folder, std::wstring name);

    std::wstring SettingsPath() override;
    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    void Close() override;

    MerlaShowPrompt& ShownPanel() { return show_; }
    MerlaAddPrompt& Palette() { return add_; }

private:
    std::wstring folder_;
    std::wstring name_;
    MerlaLabel shown_label_;
    MerlaLabel add_label_;
    MerlaAddPrompt add_;
    MerlaShowPrompt show_;
};
