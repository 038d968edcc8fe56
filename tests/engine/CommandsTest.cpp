#include "EngineFixture.h"

using namespace qel;
using namespace qel::test;

TEST_F(EngineTest, JumpsContinueWhereTheirRulesSay) {
    // JR skips the line right after its label; the conditional jumps do not.
    script({".jr", ".jr,L", "no", ";", ".L", "skipped", "jr lands here", ";", ".is", ".IS,1,0,M", "no", ";", ".M",
            "is lands here", ";", "end"});
    runAt("jr");
    runAt("is");
    EXPECT_EQ(texts(), (std::vector<std::string>{"jr lands here", "is lands here"}));
}

TEST_F(EngineTest, CommandWordsIgnoreCaseAndTrailingLetters) {
    script({".go", ".Jrxyz,L", "no", ";", ".L", "skip", "yes", ".X", ".", ";", "end"});
    host.onWaitForPage = [] {};
    runAt("go");
    EXPECT_EQ(texts(), (std::vector<std::string>{"yes"}));
    // ".X" (one character) is a no-op; "." alone is the page wait and clears nothing.
    EXPECT_EQ(host.calls("page").size(), 1u);
    EXPECT_EQ(host.memo, (std::vector<std::string>{"yes"}));
}

TEST_F(EngineTest, JumpToAMissingLabel) {
    // JR continues at line 0; the conditional jumps read line -1.
    script({"top", ";", ".go", ".JR,none", "x"});
    runAt("go");
    EXPECT_EQ(texts(), (std::vector<std::string>{"top"}));
    script({".go", ".IS,1,0,none", ";", "x"});
    EXPECT_EQ(runError("go"), u("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)"));
}

TEST_F(EngineTest, ConditionsCompareSigned) {
    script({".go", ".FS,1,-3", ".IC,1,-3,A", "no", ";", ".A", "ic equal", ".IC,1,-2,B", "ic smaller no", ".IT,1,AbC,C",
            "no", ";", ".B", "wrong", ";", ".C", "it", ";", "end"});
    g.st.StrVars[1] = "aBc";
    runAt("go");
    EXPECT_EQ(texts(), (std::vector<std::string>{"ic equal", "ic smaller no", "it"}));
}

TEST_F(EngineTest, ComputedJumpThroughItsTable) {
    auto body = std::vector<std::string>{".go",  ".IM,1,3,L", "A",  "B",    "C",    "after table", ";",
                                         ".A",   "at A",      ";",  ".B",   "at B", ";",           ".C",
                                         "at C", ";",         ".L", "at L", ";",    "end"};
    for (auto [w, expect] : std::vector<std::pair<int, std::string>>{
             {2, "at B"}, {0, "after table"}, {-1, "after table"}, {4, "at L"}, {3, "at C"}}) {
        host.log.clear();
        g.st.IntVars[1] = w;
        script(body);
        runAt("go");
        EXPECT_EQ(texts(), (std::vector<std::string>{expect})) << "w=" << w;
    }
}

TEST_F(EngineTest, ComputedJumpRunsTheLabelLineAsACommand) {
    // The table entry names the label ".FS,2,9"-like line: it runs as a command.
    script({".go", ".IM,1,1,X", "FS,2,9", ";", ".FS,2,9", "then", ";", "end"});
    g.st.IntVars[1] = 1;
    runAt("go");
    EXPECT_EQ(g.st.IntVars[2], 9);
    EXPECT_EQ(texts(), (std::vector<std::string>{"then"}));
}

TEST_F(EngineTest, ComputedJumpErrors) {
    script({".go", ".IM,1,5,L", "A", ";", "x"});
    g.st.IntVars[1] = 4;  // table line past the end of the store
    EXPECT_EQ(runError("go"), u("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (5)"));
    script({".go", ".IM,1,2,L", "nolabel", "B", ";", "x"});
    g.st.IntVars[1] = 1;
    EXPECT_EQ(runError("go"), u("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-2)"));
}

TEST_F(EngineTest, VariableCommands) {
    script({".go", ".FS,1,1000", ".IN,1", ".FS,2,255", ".IN,2", ".FS,3,254", ".IN,3", ".FS,4,-5", ".DE,4", ".DE,5",
            ".FS,6,7", ".DE,6", ".SS,9,a b ", ".SS,8", ";", "x"});
    g.st.StrVars[8] = "old";
    runAt("go");
    EXPECT_EQ(g.st.IntVars[1], 255);
    EXPECT_EQ(g.st.IntVars[2], 255);
    EXPECT_EQ(g.st.IntVars[3], 255);
    EXPECT_EQ(g.st.IntVars[4], 0);
    EXPECT_EQ(g.st.IntVars[5], 0);
    EXPECT_EQ(g.st.IntVars[6], 6);
    EXPECT_EQ(g.st.StrVars[9], "a b ");
    EXPECT_EQ(g.st.StrVars[8], "8");  // the missing text operand repeats the last field
}

TEST_F(EngineTest, OperandErrorsCarryTheirTexts) {
    script(
        {".a", ".FS,x,1", ";", ".b", ".FW", ";", ".c", ".SS,0,t", ";", ".d", ".IN,51", ";", ".e", ".MP,,f", ";", "z"});
    EXPECT_EQ(runError("a"), u("'x' は整数ではありません"));
    EXPECT_EQ(runError("b"), u("'' は整数ではありません"));
    EXPECT_EQ(runError("c"), u("範囲ﾁｪｯｸｴﾗｰ"));
    EXPECT_EQ(runError("d"), u("範囲ﾁｪｯｸｴﾗｰ"));
    EXPECT_EQ(runError("e"), u("'' は整数ではありません"));
    EXPECT_TRUE(host.calls("music").empty());
}

TEST_F(EngineTest, QuestionBoxJumpsOnYesOnly) {
    script({".go", ".SR,Y", "not yes", ";", ".Y", "yes", ";", "end"});
    host.boxAnswers = {BoxAnswer::Yes, BoxAnswer::No, BoxAnswer::None};
    runAt("go");
    runAt("go");
    runAt("go");
    EXPECT_EQ(texts(), (std::vector<std::string>{"yes", "not yes", "not yes"}));
    EXPECT_EQ(host.calls("box:Confirm:").front(), "box:Confirm:");
}

TEST_F(EngineTest, TextInputStoresAfterTheDialogCloses) {
    script({".go", ".TI,4", ";", ".bad", ".TI,10", ";", "x"});
    host.inputs = {sj("太郎"), "lost"};
    runAt("go");
    EXPECT_EQ(g.st.StrVars[4], sj("太郎"));
    EXPECT_EQ(runError("bad"), u("範囲ﾁｪｯｸｴﾗｰ"));
    EXPECT_EQ(host.calls("input").size(), 2u);  // the dialog was shown before the error
}

TEST_F(EngineTest, FrameAndMessageWindowOperandPresence) {
    script({".go", ".FW,1,1", ".FW,2", ".FW,2,Title,10,-20", ".FW,2,T,5", ".MW,10,20", ".MW,1,2,3,Cap,100,50",
            ".MW,1,2,2,2,300", ";", "x"});
    runAt("go");
    EXPECT_EQ(host.calls("frame:"),
              (std::vector<std::string>{"frame:1,-,-,-", "frame:2,-,-,-", "frame:2,Title,10,-20", "frame:2,T,5,5"}));
    EXPECT_EQ(host.calls("arrange:"),
              (std::vector<std::string>{"arrange:10,20,-,-,-,-", "arrange:1,2,3,Cap,100,50",
                                        "arrange:1,2,-,-,300,300"}));  // style 2 equals y: absent
}

TEST_F(EngineTest, DelegatedCommandsConvertTheirOperandsFirst) {
    script({".go", ".MP,3,song.mid", ".WP,1,se.wav", ".CP,face", ".CW", ".EG", "after eg", ";", ".gp", ".GP,1,y,2,pic",
            ";", ".tk", ".TK,a,pic", ";", ".os", ".OS,1.5", ";", "x"});
    runAt("go");
    EXPECT_TRUE(host.called("music:3,song.mid"));
    EXPECT_TRUE(host.called("sound:1,se.wav"));
    EXPECT_TRUE(host.called("face:face"));
    EXPECT_TRUE(host.called("closeMessage"));
    EXPECT_TRUE(host.called("endGame"));
    EXPECT_EQ(texts(), (std::vector<std::string>{"after eg"}));
    EXPECT_EQ(runError("gp"), u("'y' は整数ではありません"));
    EXPECT_EQ(runError("tk"), u("'a' は整数ではありません"));
    EXPECT_EQ(runError("os"), u("'1.5' は整数ではありません"));
}

TEST_F(EngineTest, ObjectCommands) {
    script({".go", ".UN,12,1,2,3,4,door", ".UV,12,0,open", ".UV,12,0,look", ".UV,12,4,kick", ".DV,12,1",
            ".UN,13,0,0,0,0,box", ".UV,13,0,a", ".UV,13,0,b", ".UV,13,0,c", ".UV,13,0,d", ".UV,13,0,e", ".UV,13,0,f",
            ".DN,14", ".UV,99,6,x", ";", "end"});
    runAt("go");
    auto words = [&](int o) {
        std::vector<std::string> w;
        for (int k = 1; k <= 6; ++k) w.push_back(g.st.ObjectWords[o][k]);
        return w;
    };
    EXPECT_EQ(g.st.ObjectRects[12], (ObjectRect{1, 2, 3, 4}));
    EXPECT_EQ(words(12), (std::vector<std::string>{"door", "look", "", "kick", "", ""}));
    EXPECT_EQ(words(13), (std::vector<std::string>{"box", "a", "b", "c", "d", "f"}));
    EXPECT_EQ(g.st.ObjectRects[14], (ObjectRect{-1, 0, 0, 0}));
    // Position 6: a notice, whatever the object number, and the run goes on.
    EXPECT_TRUE(host.called("box:InfoOk:" + sj("動詞追加の値が適切ではありません")));
}

TEST_F(EngineTest, ObjectCommandRangeErrorsChangeNothing) {
    g.st.ObjectWords[5][2] = "keep";
    script({".a", ".UN,51,1,2,3,4,x", ";", ".b", ".DV,5,6", ";", ".c", ".UV,5,-1,x", ";", ".d", ".DN,0", ";", "z"});
    for (const char* l : {"a", "b", "c", "d"}) EXPECT_EQ(runError(l), u("範囲ﾁｪｯｸｴﾗｰ")) << l;
    EXPECT_EQ(g.st.ObjectWords[5][2].str(), "keep");
}

TEST_F(EngineTest, RemoveVerbAtZeroShiftsTheName) {
    g.st.ObjectWords[1][1] = "name";
    g.st.ObjectWords[1][2] = "a";
    g.st.ObjectWords[1][3] = "b";
    RemoveVerb(g.st, 1, 0);
    EXPECT_EQ(g.st.ObjectWords[1][1].str(), "a");
    EXPECT_EQ(g.st.ObjectWords[1][2].str(), "b");
    EXPECT_EQ(g.st.ObjectWords[1][3].str(), "");
}
