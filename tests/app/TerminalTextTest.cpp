// A scenario's control bytes never reach the terminal as they are: --check,
// --trace and the error lines write them as \xHH.
#include "PlayerRun.h"
#include "TestFiles.h"
#include "platform/Cp932.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using qel::sj;
using qel::test::ScratchFolder;
using qel::test::solidImage;

namespace {

// The first control byte of the output other than tab and newline, or -1.
int firstControlByte(const QByteArray& bytes) {
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) return c;
    }
    return -1;
}

}  // namespace

TEST(TerminalText, ControlBytesOfAScenarioAreEscapedInEveryOutput) {
    ScratchFolder f;
    f.writeBmp("bg.BMP", solidImage(40, 30, 0x336699));
    // A title change, a bell and a screen clear, in a text line and in a file name.
    f.write("Opning.dat",
            "bg\r\n;\r\n.Start\r\nhello \x1b]0;pwned\x07 world\r\n.GP,0,0,2,evil\x1b[2J\x7f\r\n;\r\n;\r\n");
    f.write("replay.txt", "ok\nnew\nok\n");
    struct Case {
        const char* what;
        QStringList args;
    };
    const Case cases[] = {
        {"--check", {"--check"}},
        {"--trace and the error line", {"--trace", "--replay", "replay.txt", "Opning.dat"}},
    };
    QTemporaryDir home;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const qel::test::ProgramRun p = qel::test::runPlayer(c.args, qel::test::playerEnvironment(home.path()),
                                                             f.path(), 30000);
        ASSERT_FALSE(p.timedOut);
        const QByteArray out = (p.out + p.err).toUtf8();
        EXPECT_EQ(firstControlByte(out), -1) << out.toStdString();
        EXPECT_TRUE(out.contains("evil\\x1b[2J")) << out.toStdString();
        if (c.args.contains("--trace")) {
            EXPECT_TRUE(out.contains("hello \\x1b]0;pwned\\x07 world")) << out.toStdString();
        }
    }
}
