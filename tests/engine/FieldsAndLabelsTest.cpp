#include "EngineFixture.h"
#include "script/Commands.h"

using namespace qel;
using namespace qel::test;

TEST(GetField, RepeatsTheLastFieldAndCutsAt255Bytes) {
    EXPECT_EQ(GetField(1, ".FS"), "");  // no comma: every field after 0 is empty
    EXPECT_EQ(GetField(0, ".FS"), ".FS");
    EXPECT_EQ(GetField(0, ".FS,3,1"), ".FS");
    EXPECT_EQ(GetField(1, ".FS,3,1"), "3");
    EXPECT_EQ(GetField(2, ".FS,3,1"), "1");
    EXPECT_EQ(GetField(3, ".FS,3,1"), "1");  // missing trailing field reads as the last
    EXPECT_EQ(GetField(9, "a,b"), "b");
    EXPECT_EQ(GetField(1, "a, b ,c"), " b ");  // blanks belong to the field
    EXPECT_EQ(GetField(2, "a,,"), "");
    std::string longTail(300, 'x');
    EXPECT_EQ(GetField(1, "a," + longTail).size(), 255u);
    EXPECT_EQ(GetField(0, longTail).size(), 255u);
    EXPECT_EQ(GetField(0, longTail + ",b").size(), 300u);  // a field ended by a comma is not cut

    // The command dispatcher splits a line in one pass: the same fields.
    for (const std::string& line :
         {std::string(".FS"), std::string(".FS,3,1"), std::string("a, b ,c"), std::string("a,,"), std::string(","),
          std::string(",,,,,,,,,"), std::string(".PT,1,2,3,4,5,6,7,8"), "a," + longTail, longTail, longTail + ",b",
          std::string()}) {
        CommandCall call{line, 0};
        readOperands(commandRows()[0], call);
        for (int n = 0; n <= kMaxOperands; ++n)
            EXPECT_EQ(call.text[std::size_t(n)], fieldView(n, line)) << "line '" << line << "' field " << n;
    }
}

TEST(StrToInt, AcceptsSigned32BitDecimalOnly) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("-7"), -7);
    EXPECT_EQ(StrToInt("+12"), 12);
    EXPECT_EQ(StrToInt("  5"), 5);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "-", "5 ", "1a", "0x10", "2147483648", "-2147483649", "99999999999999999999"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const GameError& e) {
            EXPECT_EQ(decode(e.text()), u("'") + u(bad) + u("' は整数ではありません"));
        }
    }
}

TEST_F(EngineTest, FindLabelIgnoresCaseButNotBlanksAndTakesTheUpperLine) {
    script({"x", ".START", "a", ".Start ", ".start", "b", ".", "c"});
    FindLabel(g, "start");
    EXPECT_EQ(g.st.TargetLine, 2);
    FindLabel(g, "Start ");
    EXPECT_EQ(g.st.TargetLine, 4);
    FindLabel(g, "");  // the first lone "." line
    EXPECT_EQ(g.st.TargetLine, 7);
    FindLabel(g, "nowhere");
    EXPECT_EQ(g.st.TargetLine, -1);
}

TEST_F(EngineTest, FindLabelFoldsFullWidthLettersButNotKana) {
    script({sj(".ドアａ"), "1", sj(".ャ"), "2"});
    FindLabel(g, sj("ドアＡ"));
    EXPECT_EQ(g.st.TargetLine, 1);
    FindLabel(g, sj("ア"));  // 83 41 must not match ャ (83 61)
    EXPECT_EQ(g.st.TargetLine, -1);
}

TEST_F(EngineTest, LabelIndexFollowsChangesOfTheStore) {
    script({".a", "1", ".b", "2"});
    FindLabel(g, "b");
    EXPECT_EQ(g.st.TargetLine, 3);
    g.st.ScriptLines.removeFirst();
    FindLabel(g, "b");
    EXPECT_EQ(g.st.TargetLine, 2);
    g.st.ScriptLines.assign({".c", ".b", "x"});
    FindLabel(g, "b");
    EXPECT_EQ(g.st.TargetLine, 2);
}

TEST(GameState, TablesAreRangeCheckedAndWordsCutTo30Bytes) {
    GameState st;
    EXPECT_THROW(st.IntVars[0], GameError);
    EXPECT_THROW(st.IntVars[51], GameError);
    EXPECT_THROW(st.StrVars[10], GameError);
    EXPECT_THROW(st.ObjectWords[1][7], GameError);
    EXPECT_NO_THROW(st.IntVars[50] = 1);
    st.ObjectWords[3][1] = std::string(31, 'n');
    EXPECT_EQ(st.ObjectWords[3][1].str(), std::string(30, 'n'));
    st.ObjectWords[3][2] = sj("あいうえおかきくけこさしすせそそ");  // 32 bytes: cut inside a character
    EXPECT_EQ(st.ObjectWords[3][2].str().size(), 30u);
    try {
        st.IntVars[0] = 1;
    } catch (const GameError& e) {
        EXPECT_EQ(decode(e.text()), u("範囲ﾁｪｯｸｴﾗｰ"));
    }
}
