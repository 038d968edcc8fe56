#pragma once
// The run trace for scenario authors (--trace): each line a run executes, each
// wait and each scene change, written as "FILE:LINE: TEXT" lines (UTF-8).
//
// It sits between the game and its real host and passes every call on, so
// the waits it reports are the ones that really happen; the run loop hands it
// each line before running it. Without --trace no trace exists and the run
// loop only tests a null pointer.
#include "engine/GameState.h"
#include "engine/Host.h"

#include <cstdio>
#include <string>

namespace qel {

// Writes "PLACE: TEXT" to out as one UTF-8 line; place and text are CP932,
// and line ends inside the text become blanks. An empty place writes TEXT alone.
void writePlacedLine(std::FILE* out, const std::string& place, const std::string& cp932Text);

class ScriptTrace : public GameHost {
public:
    ScriptTrace(GameHost& inner, std::FILE* out) : inner_(inner), out_(out) {}

    // Line i of the store, about to run.
    void line(const ScriptStore& store, std::int64_t i, const std::string& text);
    // The run is over: what follows (menus, the start of a game) is no line's.
    void runEnded() { place_.clear(); }

    void clearMessageText() override { inner_.clearMessageText(); }
    void addMessageLine(const std::string& line) override { inner_.addMessageLine(line); }
    void waitForPage() override;
    void closeMessageWindow() override { inner_.closeMessageWindow(); }
    void hideMessageWindow() override { inner_.hideMessageWindow(); }
    void showFace(const std::string& name) override { inner_.showFace(name); }
    void resetFace() override { inner_.resetFace(); }
    void arrangeMessageWindow(const MessageArrangement& a) override { inner_.arrangeMessageWindow(a); }
    void setClickLock(int value) override { inner_.setClickLock(value); }
    void frameMainWindow(const FrameRequest& f) override { inner_.frameMainWindow(f); }
    void setPictureSize(int width, int height) override { inner_.setPictureSize(width, height); }
    void repaintPicture() override { inner_.repaintPicture(); }
    void updatePicture() override { inner_.updatePicture(); }
    void endGame() override;
    void closeMainWindow() override { inner_.closeMainWindow(); }
    void quitProgram() override { inner_.quitProgram(); }
    BoxAnswer messageBox(BoxKind kind, const std::string& text) override;
    std::string inputText() override;
    void playMusic(std::int32_t mode, const std::string& file) override { inner_.playMusic(mode, file); }
    void playSound(std::int32_t mode, const std::string& file) override { inner_.playSound(mode, file); }
    std::int64_t nowMs() override { return inner_.nowMs(); }
    void waitMs(std::int64_t ms) override;
    bool skipping() override { return inner_.skipping(); }
    void sceneLoaded(const std::string& sceneName) override;

private:
    // A note in brackets at the place of the line that runs now.
    void note(const std::string& cp932Text);

    GameHost& inner_;
    std::FILE* out_;
    std::string place_;        // the line that runs now, "" before the first
    bool timerNoted_ = false;  // a timed wait of this line was written already
};

}  // namespace qel
