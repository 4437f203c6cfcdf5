#pragma once
// The templates page of the manager: the shared page frame over the template store, with the
// templates' card list and the command that adds a template from a picture file.
#include "manager/MxMiListTpl.h"
#include "manager/MxMiPage.h"
#include "store/TemplateStore.h"

namespace MxMiTplCmd {
inline constexpr int kDeleteTemplates = 20014, kAddTemplate = 20031;
} // namespace MxMiTplCmd

class MxMiTpl : public MxMiPage {
public:
    static constexpr int kCardListId = 20013, kColumnTabId = 20037, kHintId = 20034;
    static constexpr wchar_t kCopyFailed[] = L"图片复制失败，模板没有添加。";

    MxMiTpl();
    ~MxMiTpl() override;

    // The open dialog, then AddTemplateFrom.
    void AddTemplate();
    // A new template of the current group from the picture file, shown in the card list; false
    // (after telling the user) when nothing could be made.
    bool AddTemplateFrom(const std::wstring& picture_path);

    TemplateStore& Store() { return store_; }
    MxMiListTpl& Cards() { return cards_; }

protected:
    NoteStore& PageStore() override { return store_; }
    MxMiNList& PageCards() override { return cards_; }
    void ReloadCards() override { cards_.Reload(); }
    void RunPageCommand(int command) override;

private:
    TemplateStore store_{*this, rows_};
    MxMiListTpl cards_;
};
