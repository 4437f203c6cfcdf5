#include "app/base/Log.h"

#include "app/base/AppPaths.h"
#include "store/xml/Encoding.h"

#include <windows.h>

#include <cstdio>

void WriteLog(const std::wstring& message) {
    if (message.empty())
        return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t head[64];
    swprintf(head, 64, L"\r\n  time:%04d-%02d-%02d %02d:%02d:%02d  --  ", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond);
    const std::string bytes = WideToCodePage(0, std::wstring(head) + message);
    FILE* f = _wfopen(LogPath().c_str(), L"ab+");
    if (!f)
        return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}
