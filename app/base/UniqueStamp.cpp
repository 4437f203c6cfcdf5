#include "app/base/UniqueStamp.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <set>

std::wstring MakeUniqueStamp(int n) {
    static std::set<std::wstring> issued;
    static std::mutex lock; // cheap insurance: worker threads name scratch files too
    std::lock_guard guard(lock);
    for (;;) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        wchar_t buf[64];
        swprintf(buf, 64, L"%04d%02d%02d%02d%02d%02d%03d_%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                 t.wSecond, t.wMilliseconds, n);
        if (issued.insert(buf).second)
            return buf;
        Sleep(1);
    }
}
