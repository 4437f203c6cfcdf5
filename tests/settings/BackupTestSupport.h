#pragma once
// Shared pieces of the backup tests: data folder trees, the folders beside the executable, and a
// stand-in main window that records restore requests.
#include "tests/store/TestFiles.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/StoreEvents.h"
#include "store/ZipFolders.h"
#include "toolkit/LWnd.h"

#include <map>
#include <set>
#include <string>
#include <vector>

using Tree = std::map<std::wstring, std::string>; // relative path -> bytes ("\" ends a folder)

inline void ReadTree(const std::wstring& root, const std::wstring& rel, Tree& out) {
    for (const std::wstring& name : ListEntries(root + rel)) {
        const std::wstring path = rel + name;
        if (FolderExists(root + path)) {
            out[path + L"\\"] = {};
            ReadTree(root, path + L"\\", out);
        } else {
            out[path] = ReadAll(root + path);
        }
    }
}

inline Tree TreeOf(const std::wstring& root) {
    Tree t;
    ReadTree(root, L"", t);
    return t;
}

// Folders directly beside the executable: scratch folders show up here.
inline std::set<std::wstring> ExeFolders() {
    std::set<std::wstring> out;
    for (const std::wstring& name : ListEntries(ExeDir()))
        if (FolderExists(ExeDir() + name))
            out.insert(name);
    return out;
}

inline void MakeData() {
    const std::wstring d = DataDir();
    EnsureFolderPath(d + L"NoteItems\\20260101_00");
    EnsureFolderPath(d + L"NoteItems2\\工作\\n2");
    EnsureFolderPath(d + L"Recycle");
    WriteAll(d + L"NoteItems\\20260101_00\\20260101_00.xml", "<MerlaItem>\r\n<ID>7</ID>\r\n</MerlaItem>\r\n");
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    WriteAll(d + L"NoteItems2\\工作\\n2\\100_rtf", binary);
    WriteAll(d + L"grouplist.xml", "<grouplist/>");
}

// The main window as the restore sees it: id 20000; records each request and the folder it names
// while the request is alive.
class StandInMain : public LWnd {
public:
    StandInMain() { Create(20000, L"", 0, WS_POPUP, 0, 0, 1, 1, nullptr); }
    ~StandInMain() override {
        if (handle_)
            DestroyWindow(handle_);
    }
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == MSG_MAIN_RESTORE_DATA) {
            const auto* r = reinterpret_cast<const RestoreRequest*>(wp);
            requests.push_back(*r);
            contents.push_back(TreeOf(r->note_data));
            return merge_answer;
        }
        return LWnd::WindowProc(message, wp, lp);
    }
    std::vector<RestoreRequest> requests;
    std::vector<Tree> contents;
    LRESULT merge_answer = 1; // the real one answers 0 when some file did not come over
};
