#pragma once
// The manager window: three pages (notes, templates, system settings) chosen by the page buttons of
// its caption, one shown at a time. Its place on the screen is remembered across runs.
#include "manager/MxMiCaption.h"
#include "manager/MxMiNote.h"
#include "manager/MxMiTpl.h"
#include "settings/MxMiSysSet.h"

#include <memory>

class MxMiManager : public MxMiCaption {
public:
    static constexpr int kId = 20001;
    static constexpr int kWidth = 1024, kHeight = 732;
    static constexpr int kManagerCaptionHeight = 80;
    static constexpr int kNotesButtonId = 20039, kTemplatesButtonId = 20004, kSettingsButtonId = 20016;
    static constexpr int kMinimiseId = 20061;
    static constexpr int kNotesPageId = 20030, kTemplatesPageId = 20031, kSettingsPageId = 20032;
    static constexpr int kNotesButtonWidth = 160, kPageButtonWidth = 100;
    static constexpr int kMinimiseSide = 24, kMinimiseRight = 55, kMinimiseTop = 7;
    static constexpr uint32_t kNotesColor = 0xFFE1511E, kTemplatesColor = 0xFFE15F1E,
                              kSettingsColor = 0xFFE1711E;
    static constexpr wchar_t kNotesTitle[] = L"便签管理";
    static constexpr wchar_t kTemplatesTitle[] = L"模板管理";
    static constexpr wchar_t kSettingsTitle[] = L"系统管理";
    static constexpr wchar_t kPlacementFile[] = L"MxMiCaption.xml";

    MxMiManager();
    ~MxMiManager() override;

    std::wstring SettingsPath() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    // Enter never closes the manager.
    void OnOk() override;
    void OnMove(int x, int y) override;
    bool OnSize(UINT type, int width, int height) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnCreate() override;
    void SaveRect() override;
    int LoadRect() override;

    // 20039, 20004 or 20016: that page shown, its button pressed, the title set.
    void ShowPage(int button_id);
    int CurrentPage() const { return page_; }
    MxMiNote& NotesPage() { return notes_; }
    MxMiTpl& TemplatesPage() { return templates_; }
    MxMiSysSet& SettingsPage() { return settings_; }
    MxMiBt& PageButton(int button_id);

    // The remembered rectangle when it is whole and on some monitor.
    static bool ReadPlacement(RECT& rect);

protected:
    void PlaceCaptionButtons() override;

private:
    RECT PageRect() const;
    void PlaceChildren();

    MxMiBt notes_bt_{L"Merla.png", L"", L"Velin"};
    MxMiBt templates_bt_{L"templatenormal.png", L"templatehoverpushdown.png", L"模板管理"};
    MxMiBt settings_bt_{L"systemnormal.png", L"systemhoverpushdown.png", L"系统设置"};
    MxMiBt minimise_{L"minisizenormal.png", L"minisizehover.png"};
    MxMiNote notes_;
    MxMiTpl templates_;
    MxMiSysSet settings_;
    int page_ = kNotesButtonId;
    bool placed_ = false; // moves and sizes before the placement is applied are not written
};
