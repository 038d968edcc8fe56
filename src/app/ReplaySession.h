#pragma once
// A session's transcript, recording, replay and screenshots, installed as the
// listener of the player's events when any of these is asked for. It follows
// which window waits for the player; the transcript (app/Transcript.h), the
// recorder (app/Recorder.h), the replay driver (app/ReplayDriver.h) and the
// clock (app/VirtualClock.h) do the rest.
#include "app/LayoutReport.h"
#include "app/Recorder.h"
#include "app/ReplayDriver.h"
#include "app/Transcript.h"
#include "app/VirtualClock.h"
#include "app/WindowHost.h"
#include "platform/PlayerEvents.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace qel {

struct SessionOptions {
    QString replayFile;       // --replay
    QString recordFile;       // --record
    QString transcriptFile;   // --transcript ("-": standard output)
    QString shotsDir;         // --shots
    QString layoutDir;        // --layout
    bool realTime = false;    // --real-time
    bool virtualPad = false;  // --virtual-pad
    bool any() const {
        return !replayFile.isEmpty() || !recordFile.isEmpty() || !transcriptFile.isEmpty() || !shotsDir.isEmpty() ||
               !layoutDir.isEmpty();
    }
};

class Session : public QObject, public PlayerEvents {
    Q_OBJECT
public:
    // Opens the files; throws std::runtime_error with a message on failure.
    Session(const SessionOptions& options, const Windows& windows);
    ~Session() override;

    // The clock the game runs on: virtual while replaying (unless real time).
    Clock& clock() { return clock_; }
    // The windows to drive, once they all exist.
    void setWindows(const Windows& windows);
    // Begins: the start menu has been shown.
    void start();
    // Writes the closing line; called once when the program ends.
    void close();
    // The exit status the replay ended with (0 until it ends).
    int exitStatus() const { return driver_ ? driver_->exitStatus() : 0; }

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
    void action(ReplayWord word, const std::string& arguments) override;
    void historyShown(int lines) override;

private:
    struct Frame {
        Turn turn;
        QObject* what;
        int depth;
    };
    int line(const std::string& utf8) { return transcript_.line(utf8); }
    void shot(int lineNo);
    void requestCheck(bool announce);
    void check();
    std::optional<Turn> currentTurn(QObject** what) const;
    bool over() const;
    void offer();

    const Windows* w_;                                  // filled in as the windows are created
    std::optional<std::vector<ReplayAction>> actions_;  // --replay's, until the driver takes them
    Transcript transcript_;
    Recorder recorder_;
    Screenshots shots_;
    LayoutReport layout_;
    VirtualClock clock_;
    std::unique_ptr<ReplayDriver> driver_;

    std::vector<Frame> frames_;
    int handlerDepth_ = 0;
    bool checkQueued_ = false;
    bool announce_ = false;
};

}  // namespace qel
