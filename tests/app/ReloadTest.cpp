// Live reload through a replay: the scene file is edited while the game waits
// at its first page, the replay reloads it, and the transcript shows the new
// scene at work with the variables the old one set.
#include "SilentAudio.h"
#include "TestFiles.h"
#include "app/Player.h"
#include "app/ReplaySession.h"
#include "platform/AudioBackend.h"
#include "platform/Cp932.h"
#include "platform/Waits.h"
#include "shell/FormMein.h"
#include "shell/StartMenu.h"

#include <QApplication>
#include <QFile>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// Hands every event to the session, and edits the scene file when a page
// wait begins (as the author does while the game waits), one edit a page.
class EditAtPages : public PlayerEvents {
public:
    EditAtPages(Session& s, std::vector<std::function<void()>> edits) : s_(s), edits_(std::move(edits)) {}
    void sceneLoaded(const std::string& n) override { s_.sceneLoaded(n); }
    void text(const std::string& l) override { s_.text(l); }
    void cleared() override { s_.cleared(); }
    void music(std::int32_t m, const std::string& f) override { s_.music(m, f); }
    void sound(std::int32_t m, const std::string& f) override { s_.sound(m, f); }
    void waitBegins(Turn t, QObject* w, const std::string& d) override {
        if (t == Turn::Page && next_ < edits_.size()) edits_[next_++]();
        s_.waitBegins(t, w, d);
    }
    void waitEnds(Turn t) override { s_.waitEnds(t); }
    void handlerEnters() override { s_.handlerEnters(); }
    void handlerLeaves() override { s_.handlerLeaves(); }
    void action(ReplayWord w, const std::string& a) override { s_.action(w, a); }
    void historyShown(int n) override { s_.historyShown(n); }

private:
    Session& s_;
    std::vector<std::function<void()>> edits_;
    std::size_t next_ = 0;
};

// The second edit breaks the header: that reload keeps the scene it had.
TEST(Reload, AReplayEditsTheSceneReloadsItAndTheVariablesStay) {
    resetQuit();
    ScratchFolder dir;
    dir.writeBmp("bg.BMP", solidImage(100, 80, 0x336699));
    dir.writeScene("Opning.dat", {"bg,124", "-1,0,0,0", "x,,,,,", ";", ".Start", ".FS,3,7", ".SS,1,太郎", "first text",
                                  ".", ";", ";"});
    dir.write("reload.txt", "new\nreload\nclick 50 40\nreload\nok\npage\nclick 50 40\npage\n");
    SessionOptions options;
    options.replayFile = dir.path() + "/reload.txt";
    options.transcriptFile = dir.path() + "/out.transcript";
    {
        Windows pending;
        Session session(options, pending);
        EditAtPages events(session, {[&] {
                                         // A name-only object over the whole picture whose label reads the variables.
                                         dir.writeScene("Opning.dat",
                                                        {"bg,124", "0,99,0,79", "box,,,,,", ";", ".Start", ".FS,3,0",
                                                         "not run", ";", ".box", ".IS,3,7,kept", "lost", ";", ".kept",
                                                         "kept /*1*/", ".", ";", ";"});
                                     },
                                     [&] {
                                         dir.writeScene("Opning.dat", {"bg,124", "0,x,0,79", "box", ";", ";"});
                                     },
                                     [] {}});
        setPlayerEvents(&events);
        SilentAudio audio;
        PlayerWindows p(std::nullopt, session.clock(), audio);
        session.setWindows(p.w);
        p.startMenu->show();
        session.start();
        EXPECT_EQ(QApplication::exec(), 0);
        session.close();
        setPlayerEvents(nullptr);
        p.main->hide();
        p.startMenu->hide();
    }
    resetQuit();
    QFile f(options.transcriptFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString transcript = QString::fromUtf8(f.readAll());
    const qsizetype reload = transcript.indexOf("> reload\n");
    ASSERT_GE(reload, 0) << transcript.toStdString();
    const QString after = transcript.mid(reload);
    EXPECT_TRUE(after.contains("scene Opning.dat\n")) << transcript.toStdString();
    EXPECT_TRUE(after.contains("text kept 太郎\n")) << transcript.toStdString();
    EXPECT_FALSE(after.contains("lost") || after.contains("not run")) << transcript.toStdString();
    // The broken header: its place in the box, and the scene before it plays on.
    const qsizetype failed = after.indexOf("> reload\n", 1);
    ASSERT_GT(failed, 0);
    EXPECT_TRUE(after.mid(failed).contains("Opning.dat:2: 'x' は整数ではありません")) << transcript.toStdString();
    EXPECT_EQ(after.mid(failed).count("text kept 太郎\n"), 1) << transcript.toStdString();
}

}  // namespace
