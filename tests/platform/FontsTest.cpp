#include "platform/Cp932.h"
#include "platform/Fonts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace qel;

TEST(Fonts, WindowsJapaneseFacesMapToIpaFaces) {
    const std::pair<const char*, const char*> cases[] = {
        {"ＭＳ 明朝", "IPAMincho"},     {"ＭＳ Ｐ明朝", "IPAPMincho"},
        {"ＭＳ ゴシック", "IPAGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"MS Mincho", "IPAMincho"},     {"MS PMincho", "IPAPMincho"},
        {"MS Gothic", "IPAGothic"},     {"MS PGothic", "IPAPGothic"},
        {"MS UI Gothic", "IPAPGothic"}, {"ＭＳ ＵＩ Gothic", "IPAPGothic"},
        {"ms gothic", "IPAGothic"},     {"MS 明朝", "IPAMincho"},
        {"HGP明朝E", "IPAPMincho"},     {"メイリオ", "IPAPGothic"},
        {"Arial", "IPAPGothic"},        {"", "IPAPGothic"},
    };
    for (const auto& [face, family] : cases) {
        EXPECT_EQ(mapFaceName(QString::fromUtf8(face)), QString::fromLatin1(family)) << face;
        EXPECT_EQ(mapFaceName(sj(face)), QString::fromLatin1(family)) << face;
    }
}

TEST(Fonts, TheIpaFacesAreInstalled) {
    for (const char* f : {"IPAMincho", "IPAPMincho", "IPAGothic", "IPAPGothic"}) {
        QFont font = windowsFont(QString::fromLatin1(f), -12);
        EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(f));
    }
}

TEST(Fonts, NegativeHeightIsTheCharacterHeight) {
    for (int h : {12, 15, 16, 24, 40}) {
        QFont f = windowsFont(QStringLiteral("ＭＳ 明朝"), -h);
        EXPECT_EQ(f.pixelSize(), h);
        // The cell is the character plus the internal leading: never smaller.
        EXPECT_GE(QFontMetrics(f).height(), h);
    }
}

TEST(Fonts, PositiveHeightIsTheCellHeight) {
    for (const char* face : {"ＭＳ 明朝", "ＭＳ Ｐゴシック"}) {
        for (int h : {10, 16, 20, 33, 64}) {
            QFont f = windowsFont(QString::fromUtf8(face), h);
            EXPECT_NEAR(QFontMetrics(f).height(), h, 1) << face << " " << h;
            EXPECT_LE(f.pixelSize(), h);
        }
    }
}

TEST(Fonts, ExtremeHeightsGiveAUsableFont) {
    for (int h : {0, 1, -1, 100000, -100000, INT32_MIN, INT32_MAX}) {
        QFont f = windowsFont(QStringLiteral("x"), h);
        EXPECT_GE(f.pixelSize(), 1) << h;
        EXPECT_LE(f.pixelSize(), 2048) << h;
    }
}
