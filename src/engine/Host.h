#pragma once
// The narrow interface through which the engine and the scene logic reach the
// windows, dialogs, audio and time. The windows implement it; tests use a
// recording fake. Every call is pure virtual, so a host that stands in front
// of another (the trace) does not build until it passes each one on.
//
// Every call that waits (waitForPage, waitMs, messageBox, inputText) blocks
// until its wait is over, and throws RunAbandoned when the program is quitting.
#include <cstdint>
#include <optional>
#include <string>

namespace qel {

// Message boxes the game shows.
enum class BoxKind {
    Notice,       // caption: application title, no icon, one OK button
    Confirm,      // caption "確認", question icon, はい(&Y) / いいえ(&N)
    Warning,      // caption "警告", exclamation icon, はい(&Y) / いいえ(&N)
    Information,  // caption "情報", information icon, はい(&Y) / いいえ(&N)
    InfoOk,       // caption "情報", information icon, one OK button
};
enum class BoxAnswer { Yes, No, Ok, None /* closed without a choice */ };

// Operands of MW after conversion; an absent optional operand is nullopt.
struct MessageArrangement {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::optional<std::int32_t> style;
    std::optional<std::string> caption;
    std::optional<std::int32_t> width;
    std::int32_t height = 0;  // used only with width
};

// Operands of FW after conversion.
struct FrameRequest {
    std::int32_t mode = 0;
    std::optional<std::string> caption;
    std::optional<std::int32_t> dx;  // with dx present, dy is always given
    std::int32_t dy = 0;
};

class GameHost {
public:
    virtual ~GameHost() = default;

    // --- message window ---
    virtual void clearMessageText() = 0;
    virtual void addMessageLine(const std::string& line) = 0;
    virtual void waitForPage() = 0;                      // PageClick := 0, block until it is 100
    virtual void closeMessageWindow() = 0;               // CW: empty the text, then close
    virtual void hideMessageWindow() = 0;                // hide without a close (no PageClick change)
    virtual void showFace(const std::string& name) = 0;  // CP: name without ".BMP"
    virtual void resetFace() = 0;
    virtual void arrangeMessageWindow(const MessageArrangement& a) = 0;
    virtual void setClickLock(int value) = 0;

    // --- main window ---
    virtual void frameMainWindow(const FrameRequest& f) = 0;
    virtual void setPictureSize(int width, int height) = 0;  // client area := picture size
    virtual void repaintPicture() = 0;                       // paint the shown picture at once
    virtual void updatePicture() = 0;                        // mark it for the next repaint
    virtual void endGame() = 0;                              // EG: close verb, message and main window
    virtual void closeMainWindow() = 0;                      // runs the main window's close handling
    virtual void quitProgram() = 0;                          // close the start menu: the program ends

    // --- dialogs ---
    virtual BoxAnswer messageBox(BoxKind kind, const std::string& text) = 0;
    virtual std::string inputText() = 0;  // TI: modal dialog; the edit field's text

    // --- audio ---
    virtual void playMusic(std::int32_t mode, const std::string& file) = 0;  // MP
    virtual void playSound(std::int32_t mode, const std::string& file) = 0;  // WP

    // --- time ---
    virtual std::int64_t nowMs() = 0;  // the clock: monotonic milliseconds
    // Handles pending events, then blocks until ms milliseconds have passed on
    // the clock (ms <= 0: one pass over the pending events only).
    virtual void waitMs(std::int64_t ms) = 0;
    // True while the player skips: a transition jumps to its final picture
    // and a timed wait ends at once (page waits turn by themselves).
    virtual bool skipping() = 0;

    // --- observers (replay transcripts) ---
    virtual void sceneLoaded(const std::string& sceneName) = 0;
};

}  // namespace qel
