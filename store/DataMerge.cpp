#include "store/DataMerge.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"

#include <windows.h>

#include <cwctype>
#include <map>
#include <set>
#include <vector>

namespace {

std::wstring WithSlash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring Folded(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Notes and templates live in a direct container (default group, recycle bin) or one level down in
// a container of groups; a family shares one name space.
struct Family {
    const wchar_t* direct;
    const wchar_t* groups;
    const wchar_t* recycle;
};
constexpr Family kFamilies[] = {
    {DataFolder::kNoteItems, DataFolder::kGroupItems, DataFolder::kRecycle},
    {DataFolder::kTpls, DataFolder::kGroupTpls, DataFolder::kTplRecycle},
};

// Every item folder of the family below data, relative to data, keyed by its folded name.
using ItemPlaces = std::map<std::wstring, std::wstring>;

void ListItems(const std::wstring& data, const std::wstring& container, ItemPlaces& places,
               std::vector<std::wstring>* order) {
    for (const auto& name : ListEntries(data + container)) {
        if (!IsFolder(data + container + name))
            continue;
        const std::wstring relative = container + name + L"\\";
        if (places.emplace(Folded(name), relative).second && order)
            order->push_back(relative);
    }
}

ItemPlaces ListFamily(const std::wstring& data, const Family& family, std::vector<std::wstring>* order) {
    ItemPlaces places;
    ListItems(data, family.direct, places, order);
    for (const auto& group : ListEntries(data + family.groups)) {
        if (IsFolder(data + family.groups + group))
            ListItems(data, std::wstring(family.groups) + group + L"\\", places, order);
    }
    ListItems(data, family.recycle, places, order);
    return places;
}

std::wstring ItemName(const std::wstring& relative) {
    const std::wstring bare = relative.substr(0, relative.size() - 1);
    return bare.substr(bare.rfind(L'\\') + 1);
}

bool MergeFamily(const std::wstring& from, const std::wstring& to, const Family& family, bool replace) {
    std::vector<std::wstring> incoming;
    ListFamily(from, family, &incoming);
    const ItemPlaces live = ListFamily(to, family, nullptr);
    bool all = true;
    // Groups come over even when empty: a group is its folder.
    for (const auto& group : ListEntries(from + family.groups)) {
        if (IsFolder(from + family.groups + group))
            EnsureFolder(to + family.groups + group + L"\\");
    }
    for (const auto& relative : incoming) {
        const auto found = live.find(Folded(ItemName(relative)));
        if (found == live.end() || Folded(found->second) == Folded(relative)) {
            all = CopyTree(from + relative, to + relative, replace) && all;
            continue;
        }
        if (!replace)
            continue;
        // Copied before the live copy goes, so that a failed copy loses nothing.
        if (!CopyTree(from + relative, to + relative, true)) {
            all = false;
            continue;
        }
        DeleteTree(to + found->second);
        all = !IsFolder(to + found->second) && all;
    }
    return all;
}

bool IsFamilyContainer(const std::wstring& name) {
    const std::wstring folded = Folded(name + L"\\");
    for (const auto& family : kFamilies) {
        for (const wchar_t* container : {family.direct, family.groups, family.recycle}) {
            if (folded == Folded(container))
                return true;
        }
    }
    return false;
}

} // namespace

bool MergeDataFolder(const std::wstring& from_folder, const std::wstring& to_folder, bool replace) {
    const std::wstring from = WithSlash(from_folder), to = WithSlash(to_folder);
    if (!IsFolder(from) || !EnsureFolder(to))
        return false;
    bool all = true;
    for (const auto& family : kFamilies) {
        for (const wchar_t* container : {family.direct, family.groups, family.recycle}) {
            if (IsFolder(from + container))
                EnsureFolder(to + container);
        }
        all = MergeFamily(from, to, family, replace) && all;
    }
    for (const auto& name : ListEntries(from)) {
        const std::wstring source = from + name, target = to + name;
        if (IsFolder(source)) {
            if (!IsFamilyContainer(name))
                all = CopyTree(source + L"\\", target + L"\\", replace) && all;
        } else if (!CopyFileW(source.c_str(), target.c_str(), !replace)) {
            all = (!replace && GetLastError() == ERROR_FILE_EXISTS) && all;
        }
    }
    return all;
}
