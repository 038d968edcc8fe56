// Where a failing run says it failed, and the run trace: both name lines of
// scene files as FILE:LINE, header lines counted.
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "script/Script.h"
#include "engine/Trace.h"
#include "scene/Scene.h"

#include "FakeHost.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace qel;
using namespace qel::test;

namespace {

struct PlaceFixture : ::testing::Test {
    ScratchFolder folder;
    FakeHost host;
    Game g{host};

    void SetUp() override {
        folder.writeBmp("bg.BMP", solidImage(32, 24, 0x336699));
        folder.write("a.dat", crlfLines({"bg",      "10,20,10,20",
                                         "thing",   ";",  // 1-4
                                         ".Start",  ";",  // 5-6
                                         ".badop",  ".FS,1,x",
                                         ";",  // 7-9
                                         ".text",   "hello /*12*/",
                                         ";",  // 10-12
                                         ".tob",    ".JS,b",
                                         ";",  // 13-15
                                         ".toc",    ".JS,c",
                                         ";",  // 16-18
                                         ".nostop", ".JS,nostop",
                                         ";",  // 19-21
                                         ".tod",    ".JS,d",
                                         ";",       "end"}));  // 22-25
        folder.write("b.dat", crlfLines({"bg", "1,2,3,4", "name", "x,1,1,1", "n2", ";", ".Start", ";"}));
        folder.write("c.dat", crlfLines({"nobg", ";", ".Start", ";"}));
        folder.write("nostop.dat", crlfLines({"bg", ";", ".x", "no stop line"}));
        folder.write("d.dat", crlfLines({"bg", ";", ".Start", ".DN,99", ";", "end"}));
    }
};

}  // namespace

TEST_F(PlaceFixture, AFailingRunNamesTheSceneFileAndItsLine) {
    struct Case {
        const char* label;
        const char* place;
        std::string text;
    };
    const Case cases[] = {
        {"badop", "a.dat:8", notIntegerError("x").text()},
        {"text", "a.dat:11", rangeError().text()},
        // A broken header of the scene entered names the new file's line.
        {"tob", "b.dat:4", notIntegerError("x").text()},
        {"toc", "c.dat:1", cannotOpenError("nobg.BMP").text()},
        // Failing after the header (no stop line to begin at): the JS line.
        {"nostop", "a.dat:20", listIndexError(2).text()},
        // A run that entered a scene and failed there names the new scene.
        {"tod", "d.dat:4", rangeError().text()},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(LoadScene(g, "a"));
        FindLabel(g, c.label);
        try {
            RunScript(g, g.st.TargetLine);
            ADD_FAILURE() << c.label << ": no error";
        } catch (const GameError& e) {
            EXPECT_EQ(e.place(), c.place) << c.label;
            EXPECT_EQ(decode(e.text()).toStdString(), decode(c.text).toStdString()) << c.label;
        }
    }
}

TEST_F(PlaceFixture, TheTraceWritesEachLineWaitAndSceneChange) {
    folder.write("t.dat",
                 crlfLines({"bg", "1,2,3,4", "obj", ";", ".Start", "first", ".", ".SR,x", ".OS,10", ".JS,u", ";"}));
    folder.write("u.dat", crlfLines({"bg", ";", ".Start", "in u", ";", "end"}));
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ScriptTrace trace(host, out);
    Game traced(trace);
    traced.trace = &trace;
    host.boxAnswers = {BoxAnswer::No};
    ASSERT_TRUE(LoadScene(traced, "t"));
    RunScript(traced, traced.st.TargetLine);

    std::rewind(out);
    std::string written;
    for (int c; (c = std::fgetc(out)) != EOF;) written += char(c);
    std::fclose(out);
    EXPECT_EQ(written,
              "[scene: t.dat]\n"
              "t.dat:6: first\n"
              "t.dat:7: .\n"
              "t.dat:7: [wait: page click]\n"
              "t.dat:8: .SR,x\n"
              "t.dat:8: [wait: box]\n"
              "t.dat:8: [answer: no]\n"
              "t.dat:9: .OS,10\n"
              "t.dat:9: [wait: 11 ms]\n"
              "t.dat:10: .JS,u\n"
              "t.dat:10: [scene: u.dat]\n"
              "u.dat:4: in u\n");
    // The real host saw every call.
    EXPECT_EQ(host.calls("page").size(), 1u);
    EXPECT_TRUE(host.called("scene:u.dat"));
}
