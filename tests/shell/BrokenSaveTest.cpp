// A corpus of broken save files: continuing gives the error, the save file
// stays as it was, and the player can go on.
#include "FakeHost.h"
#include "TestFiles.h"
#include "platform/Cp932.h"
#include "shell/GameFlow.h"
#include "shell/SaveFile.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// Continues a new game from the save in the current folder; the error's text,
// empty when there is none.
QString continueError() {
    FakeHost host;
    Game g(host);
    PrepareGame(g);
    try {
        LoadSavedGame(g, "Opning.dat");
    } catch (const GameError& e) {
        return decode(e.text());
    }
    return {};
}

}  // namespace

TEST(BrokenSave, ContinueReportsTheErrorAndKeepsTheFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"save_lf_only.INI", "'' は整数ではありません"},  // one long first line, then an empty integer line
        {"save_letters.INI", "'1O' は整数ではありません"},
        {"save_short.INI", "'' は整数ではありません"},  // integer lines missing
        {"save_binary.INI", nullptr},                   // any error, no crash
    };
    for (auto [file, expected] : cases) {
        ScratchFolder dir;
        dir.copyFrom(QStringLiteral(QEL_TEST_DATA "/broken"));
        QFile::copy(dir.path() + "/" + file, dir.path() + "/QELP.INI");
        const std::string bytes = dir.read("QELP.INI");
        const QString err = continueError();
        if (expected) EXPECT_EQ(err, QString::fromUtf8(expected)) << file;
        else EXPECT_FALSE(err.isEmpty()) << file;
        EXPECT_EQ(dir.read("QELP.INI"), bytes) << file;
    }
}

TEST(BrokenSave, TheEndOfFileMarkEndsEverything) {
    ScratchFolder dir;
    dir.copyFrom(QStringLiteral(QEL_TEST_DATA "/broken"));
    QFile::copy(dir.path() + "/save_eof_mark.INI", dir.path() + "/QELP.INI");
    GameState st;
    st.StrVars[3] = "old";
    ReadSaveFile(st);
    EXPECT_EQ(st.SceneName, "Room.dat");
    EXPECT_EQ(st.IntVars[50], 5);
    EXPECT_EQ(st.StrVars[1], "a");
    EXPECT_EQ(st.StrVars[2], "");  // the line read at byte 26 is empty, and so is every later one
    EXPECT_EQ(st.StrVars[3], "");
}

TEST(BrokenSave, AHugeSceneNameIsShownCutShort) {
    // A first line of 20 MB names a scene no file can have; the error shows
    // the start of the name and an ellipsis, not 20 MB of text. Integer lines
    // that do not convert are shown the same way.
    const std::string zeros = [] {
        std::string z;
        for (int i = 0; i < 50; ++i) z += "0\r\n";
        return z;
    }();
    const std::pair<std::string, std::string> cases[] = {
        {std::string(20 << 20, 'x') + "\r\n" + zeros, "ﾌｧｲﾙ " + std::string(200, 'x') + "… は開けません"},
        {"s\r\n" + std::string(1000, '9') + "x\r\n", "'" + std::string(200, '9') + "…' は整数ではありません"},
        {std::string(100, 'x') + sj("名") + std::string(200, 'x') + "\r\n" + zeros,
         "ﾌｧｲﾙ " + std::string(100, 'x') + "名" + std::string(99, 'x') + "… は開けません"},
    };
    for (const auto& [save, expected] : cases) {
        ScratchFolder dir;
        dir.write("QELP.INI", save);
        const QString err = continueError();
        EXPECT_EQ(err.toStdString(), expected);
    }
}
