// Scene files: line splitting, the header steps and the scene change.
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "scene/Scene.h"

#include "FakeHost.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

using Lines = std::vector<std::string>;

const Lines kExample = {"room1,124",    "40,119,60,199", "door,open,look,,,",
                        "300,379,0,59", "window",        ";",
                        ".Start",       "hello",         ";"};

struct SceneFixture : ::testing::Test {
    ScratchFolder folder;
    FakeHost host;
    Game g{host};

    void SetUp() override {
        folder.writeBmp("room1.BMP", solidImage(64, 48, 0x336699));
        folder.write("room1.dat", crlfLines(kExample));
    }
};

}  // namespace

TEST(SplitSceneLines, LineEndsNulAndLastLine) {
    EXPECT_EQ(SplitSceneLines(""), Lines{});
    EXPECT_EQ(SplitSceneLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitSceneLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitSceneLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitSceneLines("a\r\nb"), (Lines{"a", "b"}));      // last line needs no end
    EXPECT_EQ(SplitSceneLines("a\n\rb"), (Lines{"a", "", "b"}));  // LF CR ends two lines
    EXPECT_EQ(SplitSceneLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitSceneLines("\n"), (Lines{""}));
    EXPECT_EQ(SplitSceneLines(" x \t\r\n"), (Lines{" x \t"}));  // nothing trimmed
    EXPECT_EQ(SplitSceneLines(std::string_view("a\r\nb\0c\r\nd", 10)), (Lines{"a", "b"}));
    EXPECT_EQ(SplitSceneLines(std::string_view("\0abc", 4)), Lines{});
}

TEST_F(SceneFixture, WorkedExampleLoads) {
    g.st.IntVars[3] = 7;
    g.st.StrVars[2] = "kept";
    g.pics.ImageFront = solidImage(10, 10, 0xFF0000);  // drawn in the previous scene
    ASSERT_TRUE(LoadScene(g, "room1"));

    EXPECT_EQ(g.st.SceneName, "room1.dat");
    EXPECT_EQ(g.st.ScriptLines.toVector(), (Lines{".Start", "hello", ";"}));
    EXPECT_EQ(g.st.TargetLine, 1);
    EXPECT_EQ(g.st.ObjectRects[1], (ObjectRect{40, 119, 60, 199}));
    EXPECT_EQ(g.st.ObjectRects[2], (ObjectRect{300, 379, 0, 59}));
    EXPECT_EQ(g.st.ObjectRects[3], (ObjectRect{-1, 0, 0, 0}));
    EXPECT_EQ(g.st.ObjectRects[50], (ObjectRect{-1, 0, 0, 0}));
    const auto& door = g.st.ObjectWords[1];
    EXPECT_EQ(door[1].str(), "door");
    EXPECT_EQ(door[2].str(), "open");
    EXPECT_EQ(door[3].str(), "look");
    EXPECT_TRUE(door[4].empty() && door[5].empty() && door[6].empty());
    EXPECT_EQ(g.st.ObjectWords[2][1].str(), "window");
    EXPECT_TRUE(g.st.ObjectWords[2][2].empty());

    EXPECT_EQ(g.st.IntVars[3], 7);
    EXPECT_EQ(g.st.StrVars[2], "kept");
    EXPECT_EQ(g.pics.Haikei.size(), QSize(64, 48));
    EXPECT_EQ(g.pics.ImageFront, g.pics.Haikei);
    g.pics.ImageFront.setPixel(0, 0, 0xFF000000u);  // the shown picture is its own bitmap
    EXPECT_EQ(g.pics.Haikei.pixel(0, 0), 0xFF336699u);

    EXPECT_EQ(host.log, (Lines{"hideMessage", "size:64x48", "update", "resetFace", "scene:room1.dat"}));
}

TEST_F(SceneFixture, ObjectLinesFollowTheFieldRules) {
    std::string name31(31, 'n');
    folder.write("objs.dat", crlfLines({"room1", "10,20", "door,open", "1,2,3,4", "door,open,,,,", "1,2,3,4,99", "door",
                                        "5,6,7,8", name31 + ",v", ";", ";"}));
    ASSERT_TRUE(LoadScene(g, "objs"));
    EXPECT_EQ(g.st.ObjectRects[1], (ObjectRect{10, 20, 20, 20}));
    for (int j = 2; j <= 6; ++j) EXPECT_EQ(g.st.ObjectWords[1][j].str(), "open") << j;
    EXPECT_EQ(g.st.ObjectWords[2][2].str(), "open");
    for (int j = 3; j <= 6; ++j) EXPECT_TRUE(g.st.ObjectWords[2][j].empty()) << j;
    EXPECT_EQ(g.st.ObjectRects[3], (ObjectRect{1, 2, 3, 4}));
    for (int j = 2; j <= 6; ++j) EXPECT_TRUE(g.st.ObjectWords[3][j].empty()) << j;
    EXPECT_EQ(g.st.ObjectWords[4][1].str(), std::string(30, 'n'));
    // No start label: the scene begins on the first stop line.
    EXPECT_EQ(g.st.TargetLine, 0);
}

TEST_F(SceneFixture, FiftyObjectsLoadAndTheFiftyFirstFails) {
    Lines lines{"room1"};
    for (int k = 1; k <= 51; ++k) {
        lines.push_back(std::to_string(k) + ",2,3,4");
        lines.push_back("obj" + std::to_string(k));
    }
    lines.push_back(";");
    lines.push_back(".start");
    lines.push_back(";");
    Lines fifty = lines;
    fifty.erase(fifty.begin() + 101, fifty.begin() + 103);
    folder.write("fifty.dat", crlfLines(fifty));
    ASSERT_TRUE(LoadScene(g, "fifty"));
    EXPECT_EQ(g.st.ObjectRects[50].Left, 50);
    EXPECT_EQ(g.st.ObjectWords[50][1].str(), "obj50");
    EXPECT_EQ(g.st.TargetLine, 1);  // ".start" is found by the search for "Start"

    folder.write("many.dat", crlfLines(lines));
    EXPECT_EQ(errorText([&] { LoadScene(g, "many"); }), rangeError().text());
    EXPECT_EQ(g.st.ObjectRects[1].Left, 1);
    EXPECT_EQ(g.st.ObjectWords[50][1].str(), "obj50");
    EXPECT_EQ(g.st.ScriptLines[0], "51,2,3,4");
}

TEST_F(SceneFixture, LoneCrAndLoneLfLoadLikeCrLf) {
    std::string text;
    for (const auto& l : kExample) text += l + "\r";
    folder.write("cr.dat", text);
    text.clear();
    for (const auto& l : kExample) text += l + "\n";
    folder.write("lf.dat", text);
    for (const char* name : {"cr", "lf"}) {
        Game other(host);
        ASSERT_TRUE(LoadScene(other, name));
        ASSERT_TRUE(LoadScene(g, "room1"));
        EXPECT_EQ(other.st.ScriptLines.toVector(), g.st.ScriptLines.toVector()) << name;
        EXPECT_EQ(other.st.ObjectRects[2], g.st.ObjectRects[2]) << name;
        EXPECT_EQ(other.st.ObjectWords[1][3].str(), "look") << name;
        EXPECT_EQ(other.st.TargetLine, g.st.TargetLine) << name;
    }
}

TEST_F(SceneFixture, HeaderFaults) {
    // A terminator with a trailing blank is a rectangle line.
    folder.write("blank.dat", crlfLines({"room1", "; ", "x", ";", ".Start", ";"}));
    EXPECT_EQ(errorText([&] { LoadScene(g, "blank"); }), notIntegerError("; ").text());
    // A rectangle line without a comma has an empty second field.
    folder.write("nocomma.dat", crlfLines({"room1", "12", "x", ";", ";"}));
    EXPECT_EQ(errorText([&] { LoadScene(g, "nocomma"); }), notIntegerError("").text());
    EXPECT_EQ(g.st.ObjectRects[1].Left, 12);  // stored in part
    // The store runs out before the terminator.
    folder.write("noterm.dat", crlfLines({"room1", "1,2,3,4", "x"}));
    EXPECT_EQ(errorText([&] { LoadScene(g, "noterm"); }), listIndexError(0).text());
    folder.write("nowords.dat", crlfLines({"room1", "1,2,3,4"}));
    EXPECT_EQ(errorText([&] { LoadScene(g, "nowords"); }), listIndexError(0).text());
    folder.write("empty.dat", "");
    EXPECT_EQ(errorText([&] { LoadScene(g, "empty"); }), listIndexError(0).text());
}

TEST_F(SceneFixture, BodyWithoutStartLabelOrStopLine) {
    folder.write("stop3.dat", crlfLines({"room1", ";", "a", ".label", "b", ";", "c", ";"}));
    ASSERT_TRUE(LoadScene(g, "stop3"));
    EXPECT_EQ(g.st.TargetLine, 3);

    host.log.clear();
    folder.write("nostop.dat", crlfLines({"room1", ";", "a", "b", "c"}));
    EXPECT_EQ(errorText([&] { LoadScene(g, "nostop"); }), listIndexError(3).text());
    EXPECT_EQ(g.st.SceneName, "nostop.dat");
    EXPECT_FALSE(host.called("resetFace"));
}

TEST_F(SceneFixture, MissingBackgroundLeavesTheWholeFile) {
    ASSERT_TRUE(LoadScene(g, "room1"));
    const QImage oldFront = g.pics.ImageFront;
    const Lines file = {"nobg,3", "1,2,3,4", "thing", ";", ".Start", ";"};
    folder.write("nobg.dat", crlfLines(file));
    EXPECT_EQ(errorText([&] { LoadScene(g, "nobg"); }), cannotOpenError("nobg.BMP").text());
    EXPECT_EQ(g.st.ScriptLines.toVector(), file);
    EXPECT_EQ(g.st.SceneName, "nobg.dat");
    EXPECT_EQ(g.st.ObjectRects[1], (ObjectRect{40, 119, 60, 199}));  // not reset
    EXPECT_EQ(g.pics.ImageFront, oldFront);

    folder.write("bad.BMP", "BM this is no bitmap");
    folder.write("bad.dat", crlfLines({"bad", ";", ";"}));
    EXPECT_EQ(errorText([&] { LoadScene(g, "bad"); }), badBitmapError().text());
    EXPECT_EQ(g.pics.Haikei.size(), QSize(64, 48));
}

TEST_F(SceneFixture, MissingSceneFileClosesTheProgram) {
    ASSERT_TRUE(LoadScene(g, "room1"));
    host.log.clear();
    const auto lines = g.st.ScriptLines.toVector();
    EXPECT_FALSE(LoadScene(g, "room9"));
    const std::string message =
        sj("シーンＤＡＴＡがありません！") + "\r\n" + sj("ゲームのデータが破壊されている可能性があります。") + "\r\n" +
        sj("インストールし直すか、それでも回復しないときはデータの作成者に問い合わせください。");
    EXPECT_EQ(host.log, (Lines{"hideMessage", "box:Notice:" + message, "closeMain", "quit"}));
    EXPECT_EQ(g.st.SceneName, "room1.dat");
    EXPECT_EQ(g.st.ScriptLines.toVector(), lines);
}

TEST_F(SceneFixture, NameEndingInDatGetsASecondDat) {
    folder.write("room2.dat", crlfLines({"room1", ";", ".Start", "one", ";"}));
    folder.write("room2.dat.dat", crlfLines({"room1", ";", ".Start", "two", ";"}));
    ASSERT_TRUE(LoadScene(g, "room2.dat"));
    EXPECT_EQ(g.st.SceneName, "room2.dat.dat");
    EXPECT_EQ(g.st.ScriptLines[1], "two");
}

TEST_F(SceneFixture, ReadSceneFileReportsAMissingFile) {
    EXPECT_EQ(errorText([&] { ReadSceneFile("gone.dat"); }), cannotOpenError("gone.dat").text());
}

TEST_F(SceneFixture, DataVersionWarningOnlyFromCheckDataVersion) {
    const std::string warning =
        "box:Notice:" + sj("このＤＡＴＡは本プログラムよりバージョンの新しいＰｌａｙｅｒ向けに作られています。") +
        "\r\n" + sj("正常な実行をするためには") + "\r\n" +
        sj("最新のバージョンにアップグレードする事をお勧めいたします。");
    auto check = [&](const std::string& line) {
        host.log.clear();
        g.st.ScriptLines.assign({line, ";"});
        CheckDataVersion(g);
        return host.log;
    };
    EXPECT_EQ(check("room1,125"), Lines{});
    EXPECT_EQ(check("room1,126"), Lines{warning});
    EXPECT_EQ(check("room1"), Lines{});
    EXPECT_EQ(check("room1,"), Lines{});
    EXPECT_EQ(g.st.ScriptLines.count(), 2);  // nothing removed
    EXPECT_EQ(errorText([&] { check("room1,v2"); }), notIntegerError("v2").text());

    host.log.clear();
    folder.write("new.dat", crlfLines({"room1,999", ";", ";"}));
    ASSERT_TRUE(LoadScene(g, "new"));
    EXPECT_TRUE(host.calls("box:").empty());
}
