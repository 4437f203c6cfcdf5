#pragma once
// The right side of the reminder editor: value buttons with their drop-down, weekday, once, lunar
// and style labels, and the pickers of a file to run, the music and a GIF. Every click writes into
// "prompt.xml" at once and tells the dialog to reload its list.
#include "reminder/CPromptFile.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaBtLB.h"
#include "toolkit/pickers/MerlaListSel.h"
#include "toolkit/pickers/PickerPopup.h"

#include <array>
#include <functional>
#include <string>

class MerlaShowPrompt;

// A label of the palette: clicking it adds the label to the selected group.
class MerlaBtAPLabel : public MerlaBt {
public:
    explicit MerlaBtAPLabel(std::wstring text = {});

    LSurface RenderContent() override;
};

// The values of a value button: a top-level popup under the button, closed by a choice or when the
// focus leaves it for anything but its own scroll bar.
class MerlaListBoxAP : public MerlaPickList {
public:
    static constexpr int kWidth = 64, kHeight = 164;

    MerlaListBoxAP();

    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    void OnClick(WPARAM keys, int x, int y) override;
    bool OnKillFocus(LWnd* new_focus) override;

    void OpenAt(int x, int y, int width, int height) { popup_.Open(x, y, width, height); }
    void ClosePopup() { popup_.Close(); }
    bool IsOpen() const { return popup_.IsOpen(); }

private:
    PickerPopup popup_{*this};
};

class MerlaAddPrompt : public LWnd {
public:
    enum Value : int { kMinute, kHour, kDay, kMonth, kYear, kValueCount };
    enum Label : int {
        kMon,
        kTue,
        kWed,
        kThu,
        kFri,
        kSat,
        kSun,
        kOnce,
        kLunar,
        kTop,
        kCentre,
        kShake,
        kLabelCount
    };
    enum Picker : int { kExecPicker, kMusicPicker, kGifPicker, kPickerCount };
    static constexpr int kFirstValueId = 20110;
    static constexpr int kFirstLabelId = kFirstValueId + kValueCount;
    static constexpr int kFirstPickerId = kFirstLabelId + kLabelCount;
    static constexpr int kListId = kFirstPickerId + kPickerCount;
    static constexpr int kButtonHeight = 22;
    static constexpr int kYearsAhead = 100; // solar years go on past the lunar table's end
    static constexpr int kMessageWidth = 300, kMessageHeight = 120;

    // The file dialog as the pickers call it: true with the full path when the user chose one.
    using FileAsker =
        std::function<bool(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& path)>;

    MerlaAddPrompt();
    ~MerlaAddPrompt() override;

    std::wstring SettingsPath() override;
    bool OnCreate() override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;

    void SetNote(const std::wstring& folder, const std::wstring& name);
    // The group list whose selected group the labels go to; without one they go to the old
    // single group.
    void LinkGroupList(MerlaShowPrompt* show) { show_ = show; }
    // Replaces the open-file dialog (tests answer for the user).
    static void SetFileAskHook(FileAsker asker);

    MerlaBtLB& ValueButton(int value) { return values_[static_cast<size_t>(value)]; }
    MerlaBtAPLabel& LabelButton(int label) { return labels_[static_cast<size_t>(label)]; }
    MerlaBt& PickerButton(int picker) { return pickers_[static_cast<size_t>(picker)]; }
    MerlaListBoxAP& DropDown() { return list_; }
    // The value rows the drop-down of a value button offers.
    static std::vector<int> ValueRows(int value, int current_year);
    static const wchar_t* Unit(int value);

private:
    void OpenDropDown(int value);
    void OnValueChosen(int row);
    void OnButton(int id);
    bool AddValueLabel(int value, const std::wstring& identity);
    bool SetLunar(const std::wstring& identity);
    void PickExecFile();
    void PickMusic();
    void PickGif();
    void Refuse(const wchar_t* message);
    HWND Dialog() const;

    std::array<MerlaBtLB, kValueCount> values_;
    std::array<MerlaBtAPLabel, kLabelCount> labels_;
    std::array<MerlaBt, kPickerCount> pickers_;
    MerlaListBoxAP list_;
    int open_value_ = -1;
    std::wstring folder_;
    std::wstring name_;
    std::wstring identity_;
    MerlaShowPrompt* show_ = nullptr;
};
