// A corpus of broken scene files and bitmaps: each ends the load with its
// error text, never crashes, and changes no file.
#include "FakeHost.h"
#include "TestFiles.h"
#include "platform/Cp932.h"
#include "scene/Scene.h"
#include "shell/GameFlow.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

struct Case {
    const char* scene;     // file in tests/data/broken, without ".dat"
    const char* expected;  // the error text (UTF-8); empty: any error
};

const Case kCases[] = {
    {"bg_truncated", "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"},
    {"bg_notbmp", "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"},
    {"bg_huge", "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"},
    {"bg_badoffset", "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"},
    {"bg_badrle", "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"},
    {"bg_empty", "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です"},
    {"missing_bg", "ﾌｧｲﾙ nothere.BMP は開けません"},
    {"rect_letters", "'x' は整数ではありません"},
    {"rect_one_field", "'' は整数ではありません"},
    {"no_terminator", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"},
    {"no_words_line", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"},
    {"terminator_blank", "'; ' は整数ではありません"},
    {"fifty_one", "範囲ﾁｪｯｸｴﾗｰ"},
    {"empty", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"},
    {"binary", ""},
};

QString errorOf(const std::function<void()>& load) { return decode(errorText(load)); }

}  // namespace

TEST(BrokenInput, EveryBrokenSceneEndsTheLoadWithItsErrorAndChangesNoFile) {
    ScratchFolder dir;
    dir.copyFrom(QStringLiteral(QEL_TEST_DATA "/broken"));
    const auto before = dir.snapshot();
    for (const Case& c : kCases) {
        for (bool scriptChange : {false, true}) {
            FakeHost host;
            Game g(host);
            PrepareGame(g);
            QString err = errorOf([&] {
                if (scriptChange) LoadScene(g, c.scene);
                else LoadNewGame(g, std::string(c.scene) + ".dat");
            });
            if (*c.expected) EXPECT_EQ(err, QString::fromUtf8(c.expected)) << c.scene << " js=" << scriptChange;
            else EXPECT_NE(err, QStringLiteral("(no error)")) << c.scene;
        }
    }
    EXPECT_EQ(dir.snapshot(), before);
}

TEST(BrokenInput, VersionAndStartLineErrorsBelongToTheirLoads) {
    ScratchFolder dir;
    dir.copyFrom(QStringLiteral(QEL_TEST_DATA "/broken"));
    FakeHost host;
    Game g(host);
    PrepareGame(g);
    // Only a new game or continue checks the version; only a scene change searches the start line.
    EXPECT_EQ(errorOf([&] { LoadNewGame(g, "version_letters.dat"); }), QString::fromUtf8("'12a' は整数ではありません"));
    EXPECT_EQ(errorOf([&] { LoadScene(g, "version_letters"); }), QStringLiteral("(no error)"));
    EXPECT_EQ(errorOf([&] { LoadNewGame(g, "no_start_no_stop.dat"); }), QStringLiteral("(no error)"));
    EXPECT_EQ(errorOf([&] { LoadScene(g, "no_start_no_stop"); }),
              QString::fromUtf8("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)"));
}
