#include "platform/Cp932.h"

#include <gtest/gtest.h>

using namespace qel;

TEST(Cp932, RoundTripsJapaneseText) {
    std::string s = sj("範囲ﾁｪｯｸｴﾗｰ");
    EXPECT_EQ(s, "\x94\xcd\x88\xcd\xc1\xaa\xaf\xb8\xb4\xd7\xb0");
    EXPECT_EQ(decode(s), QString::fromUtf8("範囲ﾁｪｯｸｴﾗｰ"));
}

TEST(Cp932, UnmappableCharacterIsReported) {
    bool ok = true;
    std::string s = encode(QString::fromUtf8("a😀b"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(s, "a?b");
    encode(QString::fromUtf8("ドア"), &ok);
    EXPECT_TRUE(ok);
}

TEST(Cp932, FoldsAsciiAndFullWidthLettersButNeverTrailBytes) {
    EXPECT_TRUE(equalsIgnoreCase(".start", ".START"));
    EXPECT_TRUE(equalsIgnoreCase(sj("ａｂｃ"), sj("ＡＢＣ")));
    EXPECT_TRUE(equalsIgnoreCase(sj("αω"), sj("ΑΩ")));
    EXPECT_TRUE(equalsIgnoreCase(sj("яан"), sj("ЯАН")));
    // "ア" is 83 41 and "ャ" is 83 61: the trail bytes look like 'A' and 'a'.
    EXPECT_FALSE(equalsIgnoreCase(sj("ア"), sj("ャ")));
    EXPECT_FALSE(equalsIgnoreCase("a", "b"));
    EXPECT_FALSE(equalsIgnoreCase("ab", "a"));
}
