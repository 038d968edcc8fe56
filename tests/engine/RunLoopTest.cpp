#include "EngineFixture.h"

using namespace qel;
using namespace qel::test;

TEST_F(EngineTest, RunShowsTextLinesUntilTheStopLine) {
    script({".go", "one", "", "; ", " ;", ";", "after", "end"});
    runAt("go");
    EXPECT_EQ(host.log.front(), "clear");
    EXPECT_EQ(texts(), (std::vector<std::string>{"one", "", "; ", " ;"}));
}

TEST_F(EngineTest, TheLastLineOfTheStoreIsNeverRun) {
    script({".go", "a", "b"});
    runAt("go");
    EXPECT_EQ(texts(), (std::vector<std::string>{"a"}));
    host.log.clear();
    script({"only"});
    RunScript(g, 0);
    EXPECT_EQ(host.log, (std::vector<std::string>{"clear"}));
}

TEST_F(EngineTest, RunFromOutsideTheStoreIsAListError) {
    script({"a", "b"});
    try {
        RunScript(g, 5);
        FAIL();
    } catch (const GameError& e) {
        EXPECT_EQ(decode(e.text()), u("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (5)"));
    }
}

TEST_F(EngineTest, PlaceholdersExpandInTextLinesOnly) {
    g.st.StrVars[2] = "Taro";
    g.st.StrVars[3] = "/*2*/-san";
    script({".go", "Hi /* 2 */!", "[/*3*/]", ".SS,1,/*2*/", "/*1*/", ";", "x"});
    runAt("go");
    // The command line kept "/*2*/" as written; the text line expands what it brings in.
    EXPECT_EQ(g.st.StrVars[1], "/*2*/");
    EXPECT_EQ(texts(), (std::vector<std::string>{"Hi Taro!", "[Taro-san]", "Taro"}));
}

TEST_F(EngineTest, PlaceholderErrors) {
    script({".empty", "a/**/b", ";", ".nine", "/*10*/", ";", ".swap", "*/ /*1*/", ";", ".overlap", "x/*/y", ";", "z"});
    EXPECT_EQ(runError("empty"), u("'' は整数ではありません"));
    EXPECT_EQ(runError("nine"), u("範囲ﾁｪｯｸｴﾗｰ"));
    EXPECT_EQ(runError("swap"), u("'' は整数ではありません"));
    EXPECT_EQ(runError("overlap"), u("'' は整数ではありません"));
}

TEST_F(EngineTest, UnclosedPlaceholderIsShownAsWritten) {
    g.st.StrVars[1] = "A";
    script({".go", "/*1*/ and /* open", ";", "x"});
    runAt("go");
    EXPECT_EQ(texts(), (std::vector<std::string>{"A and /* open"}));
}

TEST_F(EngineTest, SelfReferencingPlaceholderStopsTheRun) {
    g.st.StrVars[1] = "again /*1*/";
    script({".go", "before", "/*1*/", "after", ";", "x"});
    QString err = runError("go");
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(texts(), (std::vector<std::string>{"before"}));
}

TEST_F(EngineTest, ARunThatNeverWaitsIsStopped) {
    script({".loop", ".FS,1,1", ".JR,loop", "x", "y"});
    QString err = runError("loop");
    EXPECT_TRUE(err.contains(u("停止")));
    // A loop that waits on every pass runs on.
    int pages = 0;
    host.onWaitForPage = [&] {
        if (++pages == 3) throw RunAbandoned{};
    };
    script({".loop", "skipped by JR", ".", ".JR,loop", "x", "y"});
    EXPECT_THROW(runAt("loop"), RunAbandoned);
    EXPECT_EQ(pages, 3);
}

TEST_F(EngineTest, AnErrorKeepsWhatWasDoneBefore) {
    script({".go", "shown", ".FS,1,5", ".FS,51,1", ".FS,2,5", ";", "x"});
    EXPECT_EQ(runError("go"), u("範囲ﾁｪｯｸｴﾗｰ"));
    EXPECT_EQ(g.st.IntVars[1], 5);
    EXPECT_EQ(g.st.IntVars[2], 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"shown"}));
}

TEST_F(EngineTest, StartSequenceRunsOncePerGameStart) {
    script({"x", ".start", "hello", ";", "y"});
    FormActivate(g);
    EXPECT_TRUE(host.log.empty());  // nothing pending
    g.st.PendingStart = 1;
    host.onWaitForPage = [&] { FormActivate(g); };  // an activation while the start run waits
    script({"x", ".START", "hello", ".", ";", "y"});
    FormActivate(g);
    EXPECT_EQ(g.st.PendingStart, 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"hello"}));
    g.st.PendingStart = 1;
    script({"no label", ";", "z"});
    FormActivate(g);
    EXPECT_EQ(g.st.PendingStart, 0);
}
