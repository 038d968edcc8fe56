#pragma once
// The host of the running game: forwards the engine's calls to the windows.
#include "engine/Host.h"
#include "platform/PadButton.h"

#include <functional>

namespace qel {

class TextHistory;
class TStartMenu;
class TFormMein;
class TFormMsgText;
class TFromCom;
class TFTextIn;
class ReadingControls;
class InputMapper;

struct Windows {
    TStartMenu* startMenu = nullptr;
    TFormMein* main = nullptr;
    TFormMsgText* messages = nullptr;
    TFromCom* verbs = nullptr;
    TFTextIn* textInput = nullptr;
    ReadingControls* reading = nullptr;
    InputMapper* input = nullptr;  // pads and touches
    // Set with --virtual-pad: a replay's pad actions press this controller's
    // buttons instead of reaching the mapping directly. A button is pressed
    // and let go; RB goes down or up as told.
    std::function<void(PadButton, bool down)> virtualPad;
};

// Time as the player sees it: the real clock, or a virtual one for replays.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() = 0;
    virtual void waitMs(std::int64_t ms) = 0;  // handles events while ms pass
    // A page's pause (skipping's look at it, auto-forward's delay): handles
    // events until until() holds or ms have passed, skipping or not; returns
    // until()'s last value. A virtual clock lets the time pass at once.
    virtual bool pauseFor(std::int64_t ms, const std::function<bool()>& until) {
        waitMs(ms);
        return until();
    }
};

class WindowHost : public GameHost {
public:
    WindowHost(const Windows& w, Clock& clock) : w_(w), clock_(clock) {}

    // Music and sound players, set by the program entry.
    std::function<void(std::int32_t, const std::string&)> music;
    std::function<void(std::int32_t, const std::string&)> sound;

    void clearMessageText() override;
    void addMessageLine(const std::string& line) override;
    void waitForPage() override;
    void closeMessageWindow() override;
    void hideMessageWindow() override;
    void showFace(const std::string& name) override;
    void resetFace() override;
    void arrangeMessageWindow(const MessageArrangement& a) override;
    void setClickLock(int value) override;
    void frameMainWindow(const FrameRequest& f) override;
    void setPictureSize(int width, int height) override;
    void repaintPicture() override;
    void updatePicture() override;
    void endGame() override;
    void closeMainWindow() override;
    void quitProgram() override;
    BoxAnswer messageBox(BoxKind kind, const std::string& text) override;
    std::string inputText() override;
    void playMusic(std::int32_t mode, const std::string& file) override;
    void playSound(std::int32_t mode, const std::string& file) override;
    std::int64_t nowMs() override { return clock_.nowMs(); }
    void waitMs(std::int64_t ms) override { clock_.waitMs(ms); }
    bool skipping() override;
    void sceneLoaded(const std::string& sceneName) override;

private:
    TextHistory& history();
    Windows w_;
    bool pageUnread_ = false;  // the page shows a line never shown before
    Clock& clock_;
};

// The real clock: a monotonic millisecond counter and timer-driven waits.
class RealClock : public Clock {
public:
    std::int64_t nowMs() override;
    void waitMs(std::int64_t ms) override;
    bool pauseFor(std::int64_t ms, const std::function<bool()>& until) override;
};

}  // namespace qel
