#include "tests/store/TestFiles.h"

#include <cstdio>

std::string ReadAll(const std::wstring& path) {
    std::string out;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}
