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

TEST(BrokenSave, ContinueReportsTheErrorAndKeepsTheFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"save_lf_only.INI", "'' は整数ではありません"},    // one long first line, then an empty integer line
        {"save_letters.INI", "'1O' は整数ではありません"},
        {"save_short.INI", "'' は整数ではありません"},      // integer lines missing
        {"save_binary.INI", nullptr},                       // any error, no crash
    };
    for (auto [file, expected] : cases) {
        ScratchFolder dir;
        dir.copyFrom(QStringLiteral(QEL_TEST_DATA "/broken"));
        QFile::copy(dir.path() + "/" + file, dir.path() + "/QELP.INI");
        const std::string bytes = dir.read("QELP.INI");
        FakeHost host;
        Game g(host);
        PrepareGame(g);
        QString err;
        try {
            LoadSavedGame(g, "Opning.dat");
        } catch (const GameError& e) {
            err = decode(e.text());
        }
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
