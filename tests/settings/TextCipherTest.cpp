// The stored text form of passwords: known answers from another AES implementation (OpenSSL),
// the values the form cannot keep (read as before, replaced by the safe form for new values), and
// decryption of arbitrary stored text.
#include "settings/TextCipher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// True when some surrogate is not half of a pair: a UTF-8 file would turn it into U+FFFD.
bool HasHalfPair(const std::wstring& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const bool high = s[i] >= 0xD800 && s[i] <= 0xDBFF, low = s[i] >= 0xDC00 && s[i] <= 0xDFFF;
        if (high && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
            ++i;
        else if (high || low)
            return true;
    }
    return false;
}

// The old form can be kept when it decrypts back and a UTF-8 file holds it.
bool OldFormKeeps(const std::wstring& text) {
    const std::wstring old_form = EncryptTextOldForm(text);
    return DecryptText(old_form) == text && !HasHalfPair(old_form);
}

void ExpectKeptWhole(const std::wstring& text) {
    const std::wstring stored = EncryptText(text);
    EXPECT_EQ(DecryptText(stored), text);
    EXPECT_EQ(stored.find(L'\0'), std::wstring::npos);
    EXPECT_FALSE(HasHalfPair(stored));
}

std::wstring RandomText(std::mt19937& rng, size_t length) {
    static const std::wstring kPool = L"abcXYZ019 !~\u00e9\u4e2d\u6587\u5bc6\u7801\uff01";
    std::wstring out;
    while (out.size() < length) {
        if (rng() % 8 == 0)
            out += L"\U0001F600"; // a surrogate pair
        else
            out += kPool[rng() % kPool.size()];
    }
    return out;
}

} // namespace

TEST(TextCipher, SevenCharactersAreOneBlockAndEightAreTwo) {
    const std::wstring seven = L"passwor", eight = L"password";
    EXPECT_EQ(EncryptText(seven), L"\xD1F0\xB8CE\x3280\xC350\x9C9E\x0953\x819C\x00BA");
    EXPECT_EQ(EncryptText(eight), L"\x471B\x2648\x0397\xF3CC\x63BE\x473C\xC983\xD3BB"
                                  L"\xC6C2\x4390\x9876\xE28C\x12B3\xA4B9\x255B\x5A08");
    EXPECT_EQ(DecryptText(EncryptText(seven)), seven);
    EXPECT_EQ(DecryptText(EncryptText(eight)), eight);
    EXPECT_EQ(EncryptText(eight), EncryptText(eight)); // no salt, no chaining
    EXPECT_EQ(EncryptText(L""), L"");
}

TEST(TextCipher, AnOldValueCutShortAtAZeroUnitDecryptsAsBefore) {
    // "p12019": its cipher block holds a zero as the fourth unit, so the old form kept three.
    const std::wstring old_form = L"\x2874\x6BA3\xE87C";
    EXPECT_EQ(EncryptTextOldForm(L"p12019"), old_form);
    EXPECT_EQ(DecryptText(old_form), L"\xA7B8\xEE71\xF853\x69BE\xD0C8\xF91A\x11BF\x8E5C");
    EXPECT_NE(EncryptText(L"p12019"), old_form);
    ExpectKeptWhole(L"p12019");
}

TEST(TextCipher, NewValuesTheOldFormCannotKeepAreKeptWhole) {
    // Found by search: cut short in a text of one block and of two, and with half a surrogate pair.
    int found[3] = {};
    for (int n = 0; n < 200000 && (!found[0] || !found[1] || !found[2]); ++n) {
        for (const std::wstring& text : {L"p" + std::to_wstring(n), L"longpass" + std::to_wstring(n)}) {
            if (OldFormKeeps(text))
                continue;
            const bool cut = DecryptText(EncryptTextOldForm(text)) != text;
            ++found[cut ? (text.size() > 7 ? 1 : 0) : 2];
            EXPECT_NE(EncryptText(text), EncryptTextOldForm(text)) << n;
            ExpectKeptWhole(text);
        }
    }
    EXPECT_GT(found[0], 0);
    EXPECT_GT(found[1], 0);
    EXPECT_GT(found[2], 0);
}

TEST(TextCipher, NewValuesRoundTripAndKeepTheOldFormWheneverItHolds) {
    std::mt19937 rng(7101);
    for (int i = 0; i < 2000; ++i) {
        const std::wstring text = RandomText(rng, 1 + rng() % 40);
        ExpectKeptWhole(text);
        if (OldFormKeeps(text)) {
            ASSERT_EQ(EncryptText(text), EncryptTextOldForm(text)) << i;
        }
    }
}

TEST(TextCipherFuzz, DecryptingArbitraryStoredTextNeverFails) {
    std::mt19937 rng(2024);
    const std::wstring safe = EncryptText(L"p12019");
    for (int i = 0; i < 3000; ++i) {
        std::wstring stored;
        switch (i % 3) {
        case 0: // any units, odd lengths included
            for (size_t n = rng() % 41; n > 0; --n)
                stored += static_cast<wchar_t>(rng() & 0xFFFF);
            break;
        case 1: // a safe-form value cut at any point
            stored = safe.substr(0, rng() % (safe.size() + 1));
            break;
        default: // a safe-form value with one unit changed or added
            stored = safe;
            if (rng() % 2)
                stored[rng() % stored.size()] = static_cast<wchar_t>(rng() & 0xFFFF);
            else
                stored.insert(rng() % (stored.size() + 1), 1, static_cast<wchar_t>(rng() & 0xFFFF));
            break;
        }
        // A block of eight units (or of 32 hex digits) gives at most eight units.
        EXPECT_LE(DecryptText(stored).size(), stored.size() + 7) << i;
    }
}
