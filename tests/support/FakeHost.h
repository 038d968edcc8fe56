#pragma once
// A recording fake of the windows, for running the engine without them.
#include "engine/Host.h"

#include <QImage>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qel {
struct Game;
}

namespace qel::test {

class FakeHost : public GameHost {
public:
    // Every call, in order, as "name" or "name:args" (texts as CP932 bytes).
    std::vector<std::string> log;
    // The message window's text box, line by line.
    std::vector<std::string> memo;
    bool messageVisible = false;
    int clickLock = 0;
    int pictureWidth = 0, pictureHeight = 0;
    std::int64_t now = 0;  // virtual clock, advanced by waitMs
    bool skip = false;     // the player skips

    // Answers for the next message boxes (default: Ok for one-button boxes, None otherwise).
    std::deque<BoxAnswer> boxAnswers;
    // Texts the next text input dialogs return.
    std::deque<std::string> inputs;
    // Called inside waitForPage and waitMs, to act while the script waits.
    std::function<void()> onWaitForPage;
    std::function<void(std::int64_t)> onWaitMs;

    // Log entries that start with prefix.
    std::vector<std::string> calls(const std::string& prefix) const;
    bool called(const std::string& entry) const;

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
    std::int64_t nowMs() override { return now; }
    void waitMs(std::int64_t ms) override;
    bool skipping() override { return skip; }
    void sceneLoaded(const std::string& sceneName) override;
};

const char* boxKindName(BoxKind k);

// Records a copy of the shown picture at every repaint.
class CapturingHost : public FakeHost {
public:
    const Game* game = nullptr;
    std::vector<QImage> frames;
    void repaintPicture() override;
};

// The error text (CP932) that a piece of work raises, or "(no error)".
std::string errorText(const std::function<void()>& work);

}  // namespace qel::test
