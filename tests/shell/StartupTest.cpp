// The command line's first argument: start scene, folder change and captions.
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "shell/GameFlow.h"

#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace qel;
using qel::test::ScratchFolder;

namespace {
std::string startMessage(const std::string& name) { return sj("シーン　") + name + sj("から始めます。"); }
}  // namespace

TEST(Startup, NoArgumentOrMissingFileKeepsTheOpeningScene) {
    ScratchFolder dir;
    for (const auto& arg : {std::optional<QString>(), std::optional<QString>(QString("/no/such/Scene9.dat"))}) {
        StartupPlan plan = PlanStartup(arg);
        EXPECT_FALSE(plan.message);
        EXPECT_FALSE(plan.folder);
        EXPECT_EQ(plan.startScene, "Opning.dat");
    }
    EXPECT_EQ(MainWindowCaption(std::nullopt), "QEL Player Ver. 1.24");
    EXPECT_EQ(MainWindowCaption(QString("/no/such/Scene9.dat")), "Scene9.dat");
}

TEST(Startup, SceneInAnotherFolderMakesThatFolderCurrent) {
    ScratchFolder dir;
    dir.write("game/Scene2.dat", "x");
    const QString arg = dir.path() + "/game/Scene2.dat";
    StartupPlan plan = PlanStartup(arg);
    EXPECT_EQ(plan.message, startMessage("Scene2.dat"));
    EXPECT_EQ(plan.folder, dir.path() + "/game/");
    EXPECT_EQ(plan.startScene, "Scene2.dat");
    EXPECT_EQ(MainWindowCaption(arg), "Scene2.dat");

    std::string startScene;
    std::vector<std::string> shown;
    ApplyStartup(plan, startScene, [&](const std::string& m) { shown.push_back(m); });
    EXPECT_EQ(shown, std::vector<std::string>{startMessage("Scene2.dat")});
    EXPECT_EQ(startScene, "Scene2.dat");
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(dir.path() + "/game").canonicalFilePath());
}

TEST(Startup, SameNameInTheCurrentFolderWins) {
    ScratchFolder dir;
    dir.write("game/Scene2.dat", "x");
    dir.write("Scene2.dat", "y");
    StartupPlan plan = PlanStartup(dir.path() + "/game/Scene2.dat");
    EXPECT_TRUE(plan.message);
    EXPECT_FALSE(plan.folder);
    EXPECT_EQ(plan.startScene, "Scene2.dat");
}

TEST(Startup, BackslashesSeparateFoldersAndJapaneseNamesBecomeCp932) {
    ScratchFolder dir;
    dir.write("sub/\xE5\xBA\x8F\xE7\xAB\xA0.dat", "x");  // 序章.dat
    StartupPlan plan = PlanStartup(QString::fromUtf8("sub\\序章.dat"));
    EXPECT_EQ(plan.startScene, sj("序章.dat"));
    EXPECT_EQ(plan.message, startMessage(sj("序章.dat")));
    ASSERT_TRUE(plan.folder);
    std::string startScene;
    ApplyStartup(plan, startScene, {});
    EXPECT_EQ(QDir::current().dirName(), "sub");
}

TEST(Startup, FolderArgumentPlaysItsOpeningScene) {
    ScratchFolder dir;
    dir.write("game/Opning.dat", "x");
    StartupPlan plan = PlanStartup(dir.path() + "/game/");
    EXPECT_FALSE(plan.message);
    EXPECT_EQ(plan.folder, dir.path() + "/game/");
    EXPECT_EQ(plan.startScene, "Opning.dat");
    EXPECT_EQ(MainWindowCaption(dir.path() + "/game/"), "game");
}

TEST(Startup, FailedFolderChangeKeepsTheOpeningScene) {
    ScratchFolder dir;
    StartupPlan plan;
    plan.message = startMessage("Scene2.dat");
    plan.folder = QString("/no/such/folder/");
    plan.startScene = "Scene2.dat";
    std::string startScene = "old";
    int shown = 0;
    try {
        ApplyStartup(plan, startScene, [&](const std::string&) { ++shown; });
        FAIL() << "no error";
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), ioError(IoCause::NotFound).text());
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(startScene, "Opning.dat");
}
