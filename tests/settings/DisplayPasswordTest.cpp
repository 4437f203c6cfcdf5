// The display password in "sysconfig.xml": what is stored, and the hash by which locked items
// recognise it (the MD5 of its bytes in code page 936, which these tests run under).
#include "tests/settings/TellCapture.h"

#include "app/base/AppPaths.h"
#include "settings/DisplayPassword.h"
#include "settings/MerlaAddPwd.h"
#include "settings/TextCipher.h"
#include "store/xml/CXmlDoc.h"

#include <gtest/gtest.h>

#include <random>

TEST(DisplayPassword, StoredEncryptedAndHashedAsItsAnsiBytes) {
    ASSERT_EQ(GetACP(), 936u);
    EXPECT_EQ(GetEncryptPwd(), L"");
    EXPECT_EQ(DisplayPasswordHash(), "");

    ASSERT_TRUE(StoreDisplayPassword(nullptr, L"secret"));
    EXPECT_EQ(GetEncryptPwd(), EncryptText(L"secret"));
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(SysConfigPath()));
    ASSERT_TRUE(doc.FindNext(L"sysconfig") && doc.Into());
    std::wstring stored;
    EXPECT_TRUE(doc.GetChildText(L"EncryptPwd", stored));
    EXPECT_EQ(stored, EncryptText(L"secret"));
    EXPECT_EQ(DisplayPasswordHash(), "5ebe2294ecd0e0f08eab7690d2a6ee69");
    // An entry is hashed trimmed and lowered, as the password was stored.
    EXPECT_EQ(TypedPasswordHash(L"  SeCret "), "5ebe2294ecd0e0f08eab7690d2a6ee69");
    EXPECT_EQ(TypedPasswordHash(L"   "), "");

    ASSERT_TRUE(StoreDisplayPassword(nullptr, L"中文"));
    EXPECT_EQ(DisplayPasswordHash(), "bcce109775e8e1972e9f5fcda3e12895"); // MD5 of D6 D0 CE C4
}

TEST(DisplayPassword, AnEmptyStoredFormIsToldAndNothingWritten) {
    TellCapture tells;
    EXPECT_FALSE(StoreDisplayPassword(nullptr, L""));
    EXPECT_EQ(tells.Take(), L"密码设置为空，错误！");
    EXPECT_EQ(GetEncryptPwd(), L"");
}

TEST(DisplayPassword, EveryKeptPasswordReadsBackFromTheFile) {
    std::mt19937 rng(3587);
    for (int i = 0; i < 300; ++i) {
        std::wstring password;
        for (size_t n = 1 + rng() % 20; n > 0; --n)
            password += static_cast<wchar_t>(L'!' + rng() % 94);
        password = NormalizePassword(password);
        if (password.empty())
            continue;
        ASSERT_TRUE(StoreDisplayPassword(nullptr, password)) << i;
        ASSERT_EQ(DecryptText(GetEncryptPwd()), password) << i;
    }
}
