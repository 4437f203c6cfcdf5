#include "store/TemplateStore.h"

#include <windows.h>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/UniqueStamp.h"
#include "store/NoteTemplate.h"

namespace {

std::wstring FileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

} // namespace

StoreLayout TemplateLayout() {
    return {&TplsDir, &GroupTplsDir, &TplRecycleDir, kTemplateRoot};
}

std::vector<NoteSummary> LoadTemplateList(const std::wstring& folder) {
    std::vector<NoteSummary> rows = LoadSummaryList(folder, kTemplateRoot);
    for (NoteSummary& row : rows) {
        row.hidden = 0;
        row.preview.clear();
        row.state = kNoteStateShown;
    }
    return rows;
}

TemplateStore::TemplateStore(StoreEvents& page, GroupList& groups)
    : PageStoreEvents(page), NoteStore(static_cast<PageStoreEvents&>(*this), groups, TemplateLayout()) {}

bool TemplateStore::AddTemplate(const std::wstring& group, const std::wstring& picture_path,
                                std::wstring& name) {
    name = MakeUniqueStamp(1);
    const bool default_group = group.empty() || group == SystemGroupName;
    const std::wstring folder = TemplateFolderFor(group, name);
    if (folder.empty())
        return false;
    const std::wstring picture = kTemplatePicturePrefix + name + L"_" + FileNameOf(picture_path);
    // A template without its picture would be an empty card: the folder goes again.
    if (!CopyFileW(picture_path.c_str(), (folder + picture).c_str(), FALSE)) {
        DeleteTree(folder);
        return false;
    }
    const TemplateFields fields{true,
                                {},
                                {0, 0, kNewTemplateSide, kNewTemplateSide},
                                picture,
                                default_group ? std::wstring() : group};
    if (WriteTemplateFile(folder + name + L".xml", fields))
        return true;
    DeleteTree(folder);
    return false;
}
