// Game start, new game and continue, the quit and return-to-menu dialogs, and
// the hit test of the main picture.
#include "script/Script.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "shell/GameFlow.h"
#include "engine/ObjectLogic.h"
#include "shell/SaveFile.h"

#include "FakeHost.h"
#include "TestFiles.h"

#include <QDir>
#include <algorithm>
#include <optional>
#include <gtest/gtest.h>

using namespace qel;
using qel::test::errorText;
using qel::test::FakeHost;
using qel::test::ScratchFolder;
using qel::test::solidImage;

namespace {

std::string box(const char* kind, const char* utf8) { return std::string("box:") + kind + ":" + sj(utf8); }
const char* kQuit = "ゲームを終了しますか？";
const char* kSave = "ゲームの進行を記録しますか？";
const char* kOverwrite = "すでにセーブされたＤＡＴＡがあります。上書きしますか？";

const std::string kVersionWarning =
    sj("このＤＡＴＡは本プログラムよりバージョンの新しいＰｌａｙｅｒ向けに作られています。") + "\r\n" +
    sj("正常な実行をするためには") + "\r\n" + sj("最新のバージョンにアップグレードする事をお勧めいたします。");

// A scene file with a background, one object with verbs and a start label.
std::string sceneText(const std::string& background, const std::string& version = "124") {
    return background + (version.empty() ? "" : "," + version) +
           "\r\n40,119,60,199\r\ndoor,open,look,,,\r\n;\r\n.Start\r\nhello\r\n;\r\n";
}

std::string saveText(const std::string& scene, int firstInt, const std::string& firstStr) {
    std::string s = scene + "\r\n" + std::to_string(firstInt) + "\r\n";
    for (int i = 2; i <= 50; ++i) s += "0\r\n";
    s += firstStr + "\r\n";
    for (int j = 2; j <= 9; ++j) s += "\r\n";
    return s;
}

struct ShellFixture : ::testing::Test {
    ScratchFolder dir;
    FakeHost host;
    Game g{host};

    void SetUp() override {
        dir.writeBmp("room1.BMP", solidImage(100, 80, 0x336699));
        dir.writeBmp("room2.BMP", solidImage(64, 48, 0x000000));
        dir.write("Opning.dat", sceneText("room1"));
        dir.write("Room2.dat", sceneText("room2"));
    }
};

// A host whose main window runs the quit handling when asked to close, as the
// real window's close query does.
struct ClosingHost : FakeHost {
    Game* game = nullptr;
    void closeMainWindow() override {
        FakeHost::closeMainWindow();
        ExitClick(*game);
    }
};

}  // namespace

// --- game start ---

TEST_F(ShellFixture, PrepareGameMarksObjectsUnusedButKeepsTheirOtherValues) {
    g.st.ObjectRects[12] = {1, 2, 3, 4};
    g.st.ObjectWords[12][1] = "box";
    g.st.ObjectWords[12][3] = "open";
    g.st.ScriptLines.assign({"old", "lines"});
    g.st.PendingStart = 0;
    PrepareGame(g);
    EXPECT_EQ(g.st.PendingStart, 1);
    EXPECT_TRUE(g.st.ScriptLines.empty());
    for (int i = 1; i <= 50; ++i) EXPECT_EQ(g.st.ObjectRects[i].Left, -1) << i;
    EXPECT_EQ(g.st.ObjectRects[12], (ObjectRect{-1, 2, 3, 4}));
    EXPECT_EQ(g.st.ObjectWords[12][3].str(), "open");
}

TEST_F(ShellFixture, NewGameResetsIntegersKeepsStringsAndLoadsTheHeader) {
    g.st.IntVars.fill(5);
    g.st.StrVars[2] = "kept";
    g.st.ObjectWords[12][2] = "push";
    PrepareGame(g);
    LoadNewGame(g, "Opning.dat");
    for (int i = 1; i <= 50; ++i) EXPECT_EQ(g.st.IntVars[i], 0);
    EXPECT_EQ(g.st.StrVars[2], "kept");
    EXPECT_EQ(g.st.SceneName, "Opning.dat");
    EXPECT_EQ(g.st.ScriptLines[0], ".Start");
    EXPECT_EQ(g.st.TargetLine, 0);
    EXPECT_EQ(g.st.ObjectRects[1], (ObjectRect{40, 119, 60, 199}));
    EXPECT_EQ(g.st.ObjectWords[1][3].str(), "look");
    EXPECT_EQ(g.st.ObjectRects[12].Left, -1);
    EXPECT_EQ(g.st.ObjectWords[12][2].str(), "push");  // comes back if UN defines object 12 again
    EXPECT_EQ(g.pics.Haikei.size(), QSize(100, 80));
    EXPECT_EQ(host.log, (std::vector<std::string>{"size:100x80", "update", "scene:Opning.dat"}));
}

TEST_F(ShellFixture, VersionCheckComesBeforeThePictureInANewGameAndAfterItWhenContinuing) {
    // Version 125 is still fine.
    dir.write("v125.dat", sceneText("room1", "125"));
    PrepareGame(g);
    LoadNewGame(g, "v125.dat");
    EXPECT_TRUE(host.calls("box:").empty());

    // A newer version with a missing picture: the new game warns first, then fails.
    dir.write("New.dat", sceneText("nopic", "126"));
    host.log.clear();
    PrepareGame(g);
    EXPECT_EQ(errorText([&] { LoadNewGame(g, "New.dat"); }), cannotOpenError("nopic.BMP").text());
    EXPECT_EQ(host.log, std::vector<std::string>{"box:Notice:" + kVersionWarning});

    // Continuing reads the picture first, so the failure comes before any warning.
    dir.write("QELP.INI", saveText("New.dat", 0, ""));
    host.log.clear();
    PrepareGame(g);
    EXPECT_EQ(errorText([&] { LoadSavedGame(g, "Opning.dat"); }), cannotOpenError("nopic.BMP").text());
    EXPECT_TRUE(host.log.empty());

    // With the picture present it warns, then sizes the window and loads on.
    dir.write("New.dat", sceneText("room2", "126"));
    host.log.clear();
    PrepareGame(g);
    LoadSavedGame(g, "Opning.dat");
    EXPECT_EQ(host.log,
              (std::vector<std::string>{"box:Notice:" + kVersionWarning, "size:64x48", "update", "scene:New.dat"}));
    EXPECT_EQ(g.st.ScriptLines[0], ".Start");
}

TEST_F(ShellFixture, ContinueRestoresVariablesAndTheSavedScene) {
    dir.write("QELP.INI", saveText("Room2.dat", 42, "name"));
    g.st.IntVars.fill(9);
    PrepareGame(g);
    LoadSavedGame(g, "Opning.dat");
    EXPECT_EQ(g.st.SceneName, "Room2.dat");
    EXPECT_EQ(g.st.IntVars[1], 42);
    EXPECT_EQ(g.st.IntVars[2], 0);
    EXPECT_EQ(g.st.StrVars[1], "name");
    EXPECT_EQ(g.st.ScriptLines[0], ".Start");
    EXPECT_EQ(g.st.TargetLine, 0);
    EXPECT_EQ(g.st.PendingStart, 1);
    EXPECT_EQ(g.pics.Haikei.size(), QSize(64, 48));
    EXPECT_EQ(host.log, (std::vector<std::string>{"size:64x48", "update", "scene:Room2.dat"}));
}

TEST_F(ShellFixture, ContinueWithoutSaveStartsANewGameWithoutShowingTheWindowEarly) {
    g.st.IntVars.fill(3);
    PrepareGame(g);
    LoadSavedGame(g, "Opning.dat");
    EXPECT_EQ(host.log, (std::vector<std::string>{box("Notice", "セーブＤＡＴＡが見当たりません"), "size:100x80",
                                                  "update", "scene:Opning.dat"}));
    EXPECT_EQ(g.st.SceneName, "Opning.dat");
    EXPECT_EQ(g.st.IntVars[1], 0);
    EXPECT_EQ(g.st.PendingStart, 1);
    EXPECT_EQ(g.st.ScriptLines[0], ".Start");
}

TEST_F(ShellFixture, FallbackNewGameRunsItsStartLabelOnActivation) {
    PrepareGame(g);
    LoadSavedGame(g, "Opning.dat");
    FormActivate(g);  // the caller shows the main window after the load
    EXPECT_EQ(host.memo, std::vector<std::string>{"hello"});
    EXPECT_EQ(g.st.PendingStart, 0);
}

TEST_F(ShellFixture, ContinueStopsAtABrokenSaveOrAMissingScene) {
    std::string broken = saveText("Room2.dat", 1, "");
    broken.replace(broken.find("\r\n0\r\n"), 5, "\r\nx\r\n");  // variable 2 is not a number
    dir.write("QELP.INI", broken);
    PrepareGame(g);
    EXPECT_EQ(errorText([&] { LoadSavedGame(g, "Opning.dat"); }), notIntegerError("x").text());
    EXPECT_EQ(g.st.SceneName, "Room2.dat");
    EXPECT_EQ(g.st.IntVars[1], 1);
    EXPECT_TRUE(g.st.ScriptLines.empty());

    dir.write("QELP.INI", saveText("Gone.dat", 1, ""));
    EXPECT_EQ(errorText([&] { LoadSavedGame(g, "Opning.dat"); }), cannotOpenError("Gone.dat").text());
}

// --- leaving the game ---

TEST_F(ShellFixture, ExitAnsweredNoToQuitDoesNothing) {
    host.boxAnswers = {BoxAnswer::No};
    ExitClick(g);
    EXPECT_EQ(host.log, (std::vector<std::string>{"hideMessage", box("Confirm", kQuit)}));
    EXPECT_FALSE(dir.exists("QELP.INI"));
}

TEST_F(ShellFixture, ExitWithoutSavingQuitsAndWritesNothing) {
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::No};
    ExitClick(g);
    EXPECT_EQ(host.log,
              (std::vector<std::string>{"hideMessage", box("Confirm", kQuit), box("Confirm", kSave), "quit"}));
    EXPECT_FALSE(dir.exists("QELP.INI"));
}

TEST_F(ShellFixture, ExitOverwriteQuestionOnlyAnExplicitNoKeepsTheOldSave) {
    g.st.SceneName = "Room2.dat";
    g.st.IntVars[1] = 77;
    const std::string old = saveText("old.dat", 0, "");

    // No save yet: no overwrite question.
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::Yes};
    ExitClick(g);
    EXPECT_EQ(host.calls("box:").size(), 2u);
    EXPECT_EQ(dir.read("QELP.INI"), SaveFileBytes(g.st));

    // Overwrite warning closed without a choice: written.
    dir.write("QELP.INI", old);
    host.log.clear();
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::Yes, BoxAnswer::None};
    ExitClick(g);
    EXPECT_EQ(host.log, (std::vector<std::string>{"hideMessage", box("Confirm", kQuit), box("Confirm", kSave),
                                                  box("Warning", kOverwrite), "quit"}));
    EXPECT_EQ(dir.read("QELP.INI"), SaveFileBytes(g.st));

    // No to the overwrite: kept, and the program still ends.
    dir.write("QELP.INI", old);
    host.log.clear();
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::Yes, BoxAnswer::No};
    ExitClick(g);
    EXPECT_EQ(dir.read("QELP.INI"), old);
    EXPECT_TRUE(host.called("quit"));
}

TEST_F(ShellFixture, FailedSaveStopsTheSequenceBeforeQuitting) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("QELP.INI"));
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::Yes};
    EXPECT_THROW(ExitClick(g), GameError);
    EXPECT_FALSE(host.called("quit"));

    host.log.clear();
    host.boxAnswers = {BoxAnswer::Yes};
    EXPECT_THROW(TopMenuClick(g), GameError);
    EXPECT_FALSE(host.called("closeMain"));
}

TEST_F(ShellFixture, TopMenuAsksWithInformationBoxesThenClosesTheMainWindow) {
    g.st.SceneName = "Opning.dat";
    host.boxAnswers = {BoxAnswer::No};
    TopMenuClick(g);
    EXPECT_EQ(host.log, (std::vector<std::string>{box("Information", kSave), "closeMain"}));
    EXPECT_FALSE(dir.exists("QELP.INI"));

    dir.write("QELP.INI", "old");
    host.log.clear();
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::None};
    TopMenuClick(g);
    EXPECT_EQ(host.log,
              (std::vector<std::string>{box("Information", kSave), box("Information", kOverwrite), "closeMain"}));
    EXPECT_EQ(dir.read("QELP.INI"), SaveFileBytes(g.st));

    dir.write("QELP.INI", "old");
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::No};
    TopMenuClick(g);
    EXPECT_EQ(dir.read("QELP.INI"), "old");
}

TEST(ShellClose, TopMenuSaveThenNoToQuitSavesOnceAndReturnsToTheMenu) {
    ScratchFolder dir;
    ClosingHost host;
    Game g(host);
    host.game = &g;
    g.st.SceneName = "Opning.dat";
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::No};
    TopMenuClick(g);
    EXPECT_EQ(host.log,
              (std::vector<std::string>{box("Information", kSave), "closeMain", "hideMessage", box("Confirm", kQuit)}));
    EXPECT_EQ(dir.read("QELP.INI"), SaveFileBytes(g.st));
    EXPECT_FALSE(host.called("quit"));
}

// --- mouse input ---

TEST(HitTest, LowestNumberedUsedObjectWinsWithInclusiveBounds) {
    GameState st;
    st.resetObjects();
    st.ObjectRects[7] = {10, 50, 10, 50};
    st.ObjectRects[3] = {40, 60, 40, 60};
    st.ObjectRects[1] = {-1, 1000, -1000, 1000};  // unused whatever its bounds
    EXPECT_EQ(HitTest(st, 45, 45), 3);
    EXPECT_EQ(HitTest(st, 10, 10), 7);
    EXPECT_EQ(HitTest(st, 50, 50), 3);
    EXPECT_EQ(HitTest(st, 60, 60), 3);
    EXPECT_EQ(HitTest(st, 61, 60), 0);
    EXPECT_EQ(HitTest(st, 9, 20), 0);
    st.ObjectRects[50] = {0, 0, 0, 0};
    EXPECT_EQ(HitTest(st, 0, 0), 50);
}

TEST(HitTest, VerbsAndVerbWindowPosition) {
    GameState st;
    st.ObjectWords[4][1] = "window";
    EXPECT_FALSE(HasVerbs(st, 4));
    st.ObjectWords[4][6] = "look";
    EXPECT_TRUE(HasVerbs(st, 4));

    EXPECT_EQ(ClampVerbPosition(470, 280), QPoint(445, 260));
    EXPECT_EQ(ClampVerbPosition(3, 2), QPoint(1, 1));
    EXPECT_EQ(ClampVerbPosition(5, 5), QPoint(5, 5));
    EXPECT_EQ(ClampVerbPosition(445, 260), QPoint(445, 260));
    EXPECT_EQ(ClampVerbPosition(-20, 100), QPoint(1, 100));
}

// --- choosing objects with the keyboard ---

TEST(KeyboardChoice, PointsSelectOnlyTheirObjectAndReachabilityFollowsTheHitTest) {
    const QSize picture(100, 80);
    struct Case {
        const char* what;
        std::vector<std::pair<int, ObjectRect>> objects;
        int object;
        std::optional<QPoint> point;  // nullopt: the object cannot be chosen
    };
    const std::vector<Case> cases = {
        {"alone: its middle", {{5, {10, 30, 20, 40}}}, 5, QPoint(20, 30)},
        {"unused", {{5, {-1, 30, 20, 40}}}, 5, std::nullopt},
        {"inverted bounds are never hit", {{5, {30, 10, 20, 40}}}, 5, std::nullopt},
        {"outside the picture", {{5, {100, 200, 0, 10}}}, 5, std::nullopt},
        {"partly outside: the middle of the part inside", {{5, {-50, 9, 70, 500}}}, 5, QPoint(4, 74)},
        {"huge bounds do not overflow", {{5, {INT32_MIN + 1, INT32_MAX, INT32_MIN, INT32_MAX}}}, 5, QPoint(49, 39)},
        {"a single pixel", {{5, {99, 99, 79, 79}}}, 5, QPoint(99, 79)},
        {"wholly under a lower number", {{2, {0, 99, 0, 79}}, {5, {10, 30, 20, 40}}}, 5, std::nullopt},
        {"a higher number does not hide it", {{9, {0, 99, 0, 79}}, {5, {10, 30, 20, 40}}}, 5, QPoint(20, 30)},
        {"middle covered: the free pixel nearest it", {{2, {15, 99, 0, 79}}, {5, {10, 30, 20, 40}}}, 5, QPoint(14, 30)},
        {"only a one-pixel gap left between two lower ones",
         {{1, {0, 19, 0, 79}}, {2, {21, 99, 0, 79}}, {5, {0, 99, 0, 79}}},
         5,
         QPoint(20, 39)},
        {"covered by two lower ones that together hide it",
         {{1, {0, 20, 0, 79}}, {2, {21, 99, 0, 79}}, {5, {0, 99, 0, 79}}},
         5,
         std::nullopt},
    };
    for (const Case& c : cases) {
        GameState st;
        st.resetObjects();
        for (const auto& [n, r] : c.objects) st.ObjectRects[n] = r;
        std::optional<QPoint> got = PointSelecting(st, c.object, picture);
        EXPECT_EQ(got, c.point) << c.what;
        if (got) {
            EXPECT_EQ(HitTest(st, got->x(), got->y()), c.object) << c.what;
        }
        const std::vector<int> reachable = ReachableObjects(st, picture);
        EXPECT_EQ(std::count(reachable.begin(), reachable.end(), c.object), got ? 1 : 0) << c.what;
    }
}

TEST(KeyboardChoice, HighlightStepsInTheHitTestsOrderAndGoesRound) {
    const std::vector<int> reachable{1, 4, 9};
    struct Case {
        int current;
        bool forward;
        int next;
    };
    for (const Case& c : std::vector<Case>{{0, true, 1},
                                           {1, true, 4},
                                           {4, true, 9},
                                           {9, true, 1},
                                           {0, false, 9},
                                           {9, false, 4},
                                           {1, false, 9},
                                           {5, true, 9},
                                           {5, false, 4},
                                           {50, true, 1},
                                           {50, false, 9}})
        EXPECT_EQ(StepHighlight(reachable, c.current, c.forward), c.next) << c.current << " " << c.forward;
    EXPECT_EQ(StepHighlight({}, 3, true), 0);
    // The demo's first scene: the unused object 1 is skipped, the rest in number order.
    GameState st;
    st.resetObjects();
    st.ObjectRects[2] = {405, 445, 14, 150};
    st.ObjectRects[3] = {110, 137, 245, 262};
    st.ObjectRects[4] = {0, 240, 172, 222};
    EXPECT_EQ(ReachableObjects(st, QSize(486, 295)), (std::vector<int>{2, 3, 4}));
}

TEST(KeyboardChoice, APadDirectionHighlightsTheNearestObjectThatWay) {
    // The tower of the demo: ランプ, 窓, 箱, 油さし, はしご.
    GameState st;
    st.resetObjects();
    st.ObjectRects[1] = {198, 288, 76, 266};
    st.ObjectRects[2] = {34, 156, 34, 180};
    st.ObjectRects[3] = {374, 444, 138, 184};
    st.ObjectRects[4] = {304, 362, 234, 278};
    st.ObjectRects[5] = {456, 485, 58, 294};
    struct Case {
        int current, dx, dy, next;
    };
    for (const Case& c : std::vector<Case>{{0, 1, 0, 1},
                                           {1, 1, 0, 3},
                                           {1, -1, 0, 2},
                                           {3, 0, 1, 5},
                                           {5, 0, 1, 4},
                                           {3, -1, 0, 1},
                                           {2, -1, 0, 2},
                                           {4, 0, 1, 4},
                                           {50, 0, -1, 1}})
        EXPECT_EQ(StepHighlightToward(st, QSize(486, 295), c.current, c.dx, c.dy), c.next)
            << c.current << " " << c.dx << "," << c.dy;
    st.resetObjects();
    EXPECT_EQ(StepHighlightToward(st, QSize(486, 295), 0, 1, 0), 0);
}
