// Under code page 1252 a Chinese password cannot be hashed as typed: it is refused when set, and
// typing it never matches a password of question marks, which is what its bytes would be.
#include "tests/settings/TellCapture.h"

#include "settings/DisplayPassword.h"
#include "settings/MerlaAddPwd.h"
#include "settings/MerlaCheckEncrypt.h"

#include <gtest/gtest.h>

TEST(PasswordCodePage, ChinesePasswordRefusedUnder1252) {
    ASSERT_EQ(GetACP(), 1252u);
    TellCapture tells;
    MerlaAddPwd dialog(L"");
    EXPECT_FALSE(dialog.AcceptEntries(L"", L"密码", L"密码"));
    EXPECT_EQ(tells.told.size(), 1u);
    EXPECT_EQ(dialog.GetNewPassword(), L"");
    EXPECT_TRUE(dialog.AcceptEntries(L"", L"Café", L"café")); // é is in the code page
    EXPECT_EQ(dialog.GetNewPassword(), L"café");

    MerlaCheckEncrypt check("d1457b72c3fb323a2671125aef3eab5d"); // MD5 of "?"
    tells.Take();
    EXPECT_FALSE(check.AcceptEntry(L"中"));
    EXPECT_EQ(tells.Take(), L"输入密码错误！");
    EXPECT_TRUE(check.AcceptEntry(L"?"));
}
