#pragma once
// Replays, recordings, transcripts and screenshots of a session. Installed as
// the listener of the player's events when any of these is asked for.
#include "app/ReplayScript.h"
#include "app/WindowHost.h"
#include "platform/PlayerEvents.h"

#include <QFile>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace qel {

struct SessionOptions {
    QString replayFile;      // --replay
    QString recordFile;      // --record
    QString transcriptFile;  // --transcript ("-": standard output)
    QString shotsDir;        // --shots
    bool realTime = false;   // --real-time
    bool any() const {
        return !replayFile.isEmpty() || !recordFile.isEmpty() || !transcriptFile.isEmpty() || !shotsDir.isEmpty();
    }
};

class Session : public QObject, public PlayerEvents, public Clock {
    Q_OBJECT
public:
    // Opens the files; throws std::runtime_error with a message on failure.
    Session(const SessionOptions& options, const Windows& windows);
    ~Session() override;

    // The clock the game runs on: virtual while replaying (unless real time).
    Clock& clock() { return *this; }
    // The windows to drive, once they all exist.
    void setWindows(const Windows& windows) { w_ = &windows; }
    // Begins: the start menu has been shown.
    void start();
    // Writes the closing line; called once when the program ends.
    void close();
    // The exit status the replay ended with (0 until it ends).
    int exitStatus() const { return status_; }

    // Clock
    std::int64_t nowMs() override;
    void waitMs(std::int64_t ms) override;
    bool pauseFor(std::int64_t ms, const std::function<bool()>& until) override;

    // PlayerEvents
    void sceneLoaded(const std::string& sceneName) override;
    void text(const std::string& line) override;
    void cleared() override;
    void music(std::int32_t mode, const std::string& file) override;
    void sound(std::int32_t mode, const std::string& file) override;
    void waitBegins(Turn turn, QObject* what, const std::string& detail) override;
    void waitEnds(Turn turn) override;
    void handlerEnters() override { ++handlerDepth_; }
    void handlerLeaves() override;
    void action(const std::string& replayLine) override;
    void historyShown(int lines) override;

private:
    struct Frame {
        Turn turn;
        QObject* what;
        int depth;
    };
    int line(const std::string& utf8);  // writes a transcript line; its number
    void shot(int lineNo);
    void requestCheck(bool announce);
    void check();
    std::optional<Turn> currentTurn(QObject** what) const;
    void offer();
    void runNext();
    QString execute(const ReplayAction& a, Turn turn, QObject* what);  // empty, or why it failed
    // The widget a key pressed now goes to: the focus of the window the player
    // works in at this turn. nullptr when no window waits for keys.
    QWidget* keyTarget(Turn turn, QObject* what) const;
    void finish(int status);
    // `hold Ctrl MS`: lets Ctrl go when its time has come on the game's clock.
    void releaseCtrlWhenDue(bool now = false);

    SessionOptions options_;
    const Windows* w_;  // filled in as the windows are created
    std::unique_ptr<QFile> transcript_;
    std::unique_ptr<QFile> record_;
    int lines_ = 0;
    bool closed_ = false;

    bool replayLoaded_ = false;
    std::vector<ReplayAction> actions_;
    std::size_t next_ = 0;
    bool actionPending_ = false;
    bool finished_ = false;
    int status_ = 0;
    std::optional<QPoint> pendingRelease_;

    std::vector<Frame> frames_;
    int handlerDepth_ = 0;
    bool checkQueued_ = false;
    bool announce_ = false;

    RealClock real_;
    std::int64_t virtualNow_ = 0;
    std::optional<std::int64_t> ctrlUpAt_;  // a held Ctrl's release, on the game's clock
    QPointer<QWidget> ctrlTarget_;
};

} // namespace qel
