// Under code page 1252 the log writes what the code page cannot hold as its replacement character.
#include "app/base/AppPaths.h"
#include "app/base/Log.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

TEST(LogCodePage, CharactersOutsideTheCodePageAreReplaced) {
    ASSERT_EQ(GetACP(), 1252u);
    WriteLog(L"caf\u00E9 \u4E2D");
    std::string log;
    FILE* f = _wfopen(LogPath().c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    int c;
    while ((c = fgetc(f)) != EOF)
        log += static_cast<char>(c);
    fclose(f);
    EXPECT_EQ(log.substr(log.size() - 6), "caf\xE9 ?");
}
