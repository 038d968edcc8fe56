#include "app/ScenarioCheck.h"

#include "PlayerRun.h"
#include "TestFiles.h"
#include "platform/Cp932.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using qel::sj;
using qel::test::ScratchFolder;
using qel::test::solidImage;

namespace {

// The scenario's report lines, without the summary.
QStringList check(const ScratchFolder& f) {
    auto report = qel::CheckScenario(f.path());
    EXPECT_TRUE(report.has_value());
    QStringList lines;
    if (report)
        for (const auto& i : report->issues) lines << i.text();
    return lines;
}

// True when exactly one line starts with the prefix ("FILE:LINE: kind") and
// contains the fragment.
::testing::AssertionResult reported(const QStringList& lines, const QString& prefix, const QString& fragment) {
    int n = 0;
    for (const QString& l : lines)
        if (l.startsWith(prefix + ": ") && l.contains(fragment)) ++n;
    if (n == 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << n << " lines match " << prefix.toStdString() << " ... "
                                         << fragment.toStdString() << " in\n"
                                         << lines.join('\n').toStdString();
}

// A folder whose Opning.dat is clean, with the background bg.BMP.
void cleanStart(const ScratchFolder& f) {
    f.writeBmp("bg.BMP", solidImage(40, 30, 0x336699));
    f.writeScene("Opning.dat", {"bg,124", "0,9,0,9", "door,open,,,,", ";", ".Start", "hello", ".", ";", ".dooropen",
                                "opened", ";", ";"});
}

}  // namespace

TEST(Check, CleanScenarioHasNoIssues) {
    ScratchFolder f;
    cleanStart(f);
    EXPECT_EQ(check(f), QStringList());
}

TEST(Check, HeaderProblems) {
    ScratchFolder f;
    cleanStart(f);
    f.writeScene("a.dat", {"room,abc", ";", ".Start", ";", ";"});
    f.writeScene("b.dat",
                 {"bg,126", "0,9", "door,open", "9,0,0,9", "lamp", "1,2,x,4", "box,,,,,", "; ", ".Start", ";", ";"});
    f.writeScene("c.dat", {"bg", "0,9,0,9", "door,,,,,", ".Start", "text", ";", ";"});
    f.writeScene("d.dat", {"bg", "0,9,0,9"});
    f.write("bad.BMP", "BM not a bitmap");
    f.writeScene("e.dat", {"bad", ";", ".Start", ";", ";"});
    const QStringList r = check(f);
    EXPECT_TRUE(reported(r, "a.dat:1: error", QStringLiteral("background: ﾌｧｲﾙ room.BMP は開けません")));
    EXPECT_TRUE(reported(r, "a.dat:1: error", QStringLiteral("data version: 'abc' は整数ではありません")));
    EXPECT_TRUE(reported(r, "b.dat:1: warning", "data version 126"));
    // "0,9" is Left 0, Right 9, Top 9, Bottom 9: fine; "door,open" repeats its verb.
    EXPECT_TRUE(reported(r, "b.dat:3: warning", "write 'door,open,,,,'"));
    EXPECT_TRUE(reported(r, "b.dat:4: warning", "never be clicked"));
    EXPECT_TRUE(reported(r, "b.dat:6: error", QStringLiteral("object 3 rectangle: 'x' は整数ではありません")));
    EXPECT_TRUE(reported(r, "b.dat:8: error", "without blanks"));
    EXPECT_TRUE(reported(r, "c.dat:4: error", "terminator ';' missing?"));
    EXPECT_TRUE(reported(r, "d.dat:2: error", "no words line"));
    EXPECT_TRUE(reported(r, "e.dat:1: error", QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です")));
    EXPECT_FALSE(r.join('\n').contains("Opning.dat"));

    // 51 objects: the 51st entry fails.
    std::string many = "bg\r\n";
    for (int k = 1; k <= 51; ++k) many += "-1,0,0,0\r\nx,,,,,\r\n";
    f.write("many.dat", many + ";\r\n.Start\r\n;\r\n;\r\n");
    EXPECT_TRUE(reported(check(f), "many.dat:102: error", "more than 50 objects"));
}

TEST(Check, LabelsAndJumps) {
    ScratchFolder f;
    cleanStart(f);
    f.writeScene("j.dat", {"bg",
                           "0,9,0,9",
                           "door,open,look,,,",
                           "0,9,0,9",
                           "well",
                           ";",              // lines 1-6
                           ".Start",         // 7
                           ".JR,nowhere",    // 8
                           ".IS,1,1,gone",   // 9
                           ".IM,1,2,Start",  // 10
                           "Start",          // 11
                           "absent",         // 12
                           ".JR,twice",      // 13
                           ";",              // 14
                           ".twice",
                           "skipped text",
                           ";",  // 15-17
                           ".TWICE",
                           ";",  // 18-19
                           ".dooropen",
                           ".ISx",
                           ";",  // 20-22
                           ".XY,1",
                           ".CW"});  // 23-24
    f.writeScene("n.dat", {"bg", ";", "text", ";", ";"});
    f.writeScene("m.dat", {"bg", ";", "text", "."});
    f.writeScene("t.dat", {"bg", ";", ".Start", ".IM,1,3,Start", "Start", ";"});
    const QStringList r = check(f);
    EXPECT_TRUE(reported(r, "j.dat:8: warning", "JR to missing label '.nowhere'"));
    EXPECT_TRUE(reported(r, "j.dat:9: error",
                         QStringLiteral("IS to missing label '.gone': the run stops with "
                                        "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)")));
    EXPECT_TRUE(reported(r, "j.dat:12: error", "IM table line names missing label '.absent'"));
    EXPECT_TRUE(reported(r, "j.dat:13: warning", "JR never runs line 16"));
    EXPECT_TRUE(reported(r, "j.dat:18: warning", "the upper one (line 15) wins"));
    EXPECT_TRUE(reported(r, "j.dat:3: warning", "verb 'look' has no label '.doorlook'"));
    EXPECT_FALSE(r.join('\n').contains("'.dooropen'"));
    EXPECT_TRUE(reported(r, "j.dat:5: warning", "object 'well' has no label '.well'"));
    EXPECT_TRUE(reported(r, "j.dat:23: warning", "unknown command XY"));
    EXPECT_TRUE(reported(r, "j.dat:24: warning", "last line of the file is never run"));
    EXPECT_TRUE(reported(r, "n.dat:2: warning", "no '.Start' label: the scene begins at its first ';' line (line 4)"));
    EXPECT_TRUE(reported(r, "m.dat:2: error", "no '.Start' label and no ';' line"));
    EXPECT_TRUE(reported(r, "t.dat:4: error", "IM: the table of 3 lines runs past the end"));

    // A label that begins with a command word runs as that command when the
    // run reaches it; an object click needs it too.
    f.writeScene("k.dat", {"bg", "0,9,0,9", "IS,,,,,", ";", ".Start", "text", ".IS", "more", ";", ";"});
    const QStringList k = check(f);
    EXPECT_TRUE(reported(k, "k.dat:7: warning", "begins with the command word IS"));
    EXPECT_FALSE(k.join('\n').contains("k.dat:7: error"));
}

TEST(Check, OperandsAndFiles) {
    ScratchFolder f;
    cleanStart(f);
    f.writeBmp("pic.bmp", solidImage(4, 4, 0));
    f.writeBmp("face.BMP", solidImage(4, 4, 0));
    f.write("tune.mid", "not midi");
    f.write("ok.wav", "RIFF");
    f.write("bad.bmp", "junk");
    f.writeScene("o.dat", {"bg",
                           ";",
                           ".Start",                    // 1-3
                           ".FS,x,1",                   // 4
                           ".FS,51,1",                  // 5
                           ".SS,10,a",                  // 6
                           ".DN,0",                     // 7
                           ".UV,1,6,look",              // 8
                           ".DV,1,6",                   // 9
                           ".JS,nowhere",               // 10
                           ".CP,noface",                // 11
                           ".GP,0,0,1,pic",             // 12: no mask picB.bmp
                           ".GP,0,0,2,pic",             // 13: fine
                           ".TK,1,bad",                 // 14
                           ".MP,3,tune.mid",            // 15
                           ".WP,1,missing.wav",         // 16
                           ".WP,1,ok.wav",              // 17
                           ".MP,0,",                    // 18: stop, no file
                           ".CP,face",                  // 19
                           ".MW,0,0,1,caption",         // 20: width absent
                           ".PT,1,2,clRed,font,big,t",  // 21
                           ".UN,1,5,1,0,9,lid",         // 22: never clickable, needs no label
                           ".UN,2,0,9,0,9,box",         // 23
                           ";",
                           ";"});
    const QStringList r = check(f);
    EXPECT_TRUE(reported(r, "o.dat:4: error", QStringLiteral("FS operand 1: 'x' は整数ではありません")));
    EXPECT_TRUE(reported(r, "o.dat:5: error", QStringLiteral("variable number 51 is outside 1..50: 範囲ﾁｪｯｸｴﾗｰ")));
    EXPECT_TRUE(reported(r, "o.dat:6: error", "string variable number 10"));
    EXPECT_TRUE(reported(r, "o.dat:7: error", "object number 0"));
    EXPECT_TRUE(reported(r, "o.dat:8: warning", QStringLiteral("動詞追加の値が適切ではありません")));
    EXPECT_TRUE(reported(r, "o.dat:9: error", "verb position 6"));
    EXPECT_TRUE(reported(r, "o.dat:10: error", "scene file 'nowhere.dat' not found"));
    EXPECT_TRUE(reported(r, "o.dat:11: warning", "face picture 'noface.BMP' not found"));
    EXPECT_TRUE(reported(r, "o.dat:12: error", QStringLiteral("GP: ﾌｧｲﾙ picB.bmp は開けません")));
    EXPECT_TRUE(reported(r, "o.dat:14: error", QStringLiteral("TK: ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です")));
    EXPECT_TRUE(reported(r, "o.dat:15: error", "not a valid MIDI file"));
    EXPECT_TRUE(reported(r, "o.dat:16: error", "'missing.wav' not found"));
    EXPECT_TRUE(reported(r, "o.dat:21: error", QStringLiteral("PT operand 5: 'big' は整数ではありません")));
    EXPECT_TRUE(reported(r, "o.dat:22: warning", "never be clicked"));
    for (const char* clean : {"o.dat:13:", "o.dat:17:", "o.dat:18:", "o.dat:19:", "o.dat:20:"})
        EXPECT_FALSE(r.join('\n').contains(clean)) << clean;
    // UN defines a name-only object that needs its label.
    EXPECT_TRUE(reported(r, "o.dat:23: warning", "object 'box' has no label '.box'"));
    EXPECT_FALSE(r.join('\n').contains("'.lid'"));
}

TEST(Check, ScenesReachedByJsComeFirstAndCaseDoesNotMatter) {
    ScratchFolder f;
    f.writeBmp("bg.bmp", solidImage(8, 8, 0));  // the background as "bg.BMP", stored in lower case
    f.writeScene("Opning.dat", {"bg", ";", ".Start", ".JS,zroom", ";", ";"});
    f.writeScene("aside.dat", {"bg", ";", ".Start", ".FS,0,1", ";", ";"});
    f.writeScene("ZROOM.dat", {"bg", ";", ".Start", ".FS,0,1", ";", ";"});
    const QStringList r = check(f);
    ASSERT_EQ(r.size(), 2) << r.join('\n').toStdString();
    EXPECT_TRUE(r[0].startsWith("ZROOM.dat:4: error"));
    EXPECT_TRUE(r[1].startsWith("aside.dat:4: error"));
}

TEST(Check, ExitStatusOfTheProgram) {
    QTemporaryDir home;
    const QProcessEnvironment env = qel::test::playerEnvironment(home.path());
    auto run = [&env](const QStringList& args, const QString& dir, QString* out = nullptr) {
        const qel::test::ProgramRun p = qel::test::runPlayer(args, env, dir, 30000);
        if (p.timedOut) return -1;
        if (out) *out = p.out;
        return p.status;
    };
    ScratchFolder f;
    cleanStart(f);
    QString out;
    EXPECT_EQ(run({"--check"}, f.path(), &out), 0);
    EXPECT_EQ(out, "0 errors, 0 warnings\n");
    EXPECT_EQ(run({"--check", f.path() + "/Opning.dat"}, "/", &out), 0);

    f.writeScene("bad.dat", {"bg", ";", ".Start", ".FS,0,1", ";", "text"});
    EXPECT_EQ(run({"--check", f.path()}, "/", &out), 1);
    EXPECT_EQ(out, "bad.dat:4: error: FS: variable number 0 is outside 1..50: " + QStringLiteral("範囲ﾁｪｯｸｴﾗｰ") +
                       "\nbad.dat:6: warning: the last line of the file is never shown: end the file with ';'\n"
                       "1 errors, 1 warnings\n");

    EXPECT_EQ(run({"--check", f.path() + "/none"}, "/"), 2);
    ScratchFolder empty;
    EXPECT_EQ(run({"--check", empty.path()}, "/"), 2);  // no Opning.dat
}

TEST(Check, DemoChecksWithoutErrors) {
    QString failure;
    auto report = qel::CheckScenario(QStringLiteral(QEL_SOURCE_DIR "/demo"), &failure);
    ASSERT_TRUE(report.has_value()) << failure.toStdString();
    QStringList lines;
    for (const auto& i : report->issues) lines << i.text();
    EXPECT_EQ(report->errors(), 0) << lines.join('\n').toStdString();
}
