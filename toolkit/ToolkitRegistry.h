#pragma once
// The process-wide registries of the toolkit (UI thread only, except the id map, which the
// reminder thread reads through LWnd::HandleFromId under its lock).
#include <windows.h>

#include <map>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

class LObjectSub;
class LWnd;

struct ToolkitRegistry {
    std::unordered_set<int> ids;                   // every id ever handed out; never shrinks
    std::unordered_map<HWND, LObjectSub*> objects; // shared window procedure
    std::unordered_map<HWND, LWnd*> windows;       // FromHandle
    std::multimap<int, LWnd*> by_id;               // FromId; equal ids keep insertion order
    std::mutex by_id_lock;                         // guards by_id against the reminder thread
    LWnd* focused = nullptr;
    LObjectSub* pending_dialog = nullptr;
    int pending_dialog_id = 0;
    using UpdateLayeredFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*,
                                          DWORD);
    UpdateLayeredFn update_layered = nullptr;
    HINSTANCE instance = nullptr;
};

ToolkitRegistry& Registry();
