#pragma once
// One running game: the state, the main window's pictures, and the host that
// reaches the windows. Exactly one exists, owned by the main window.
#include "engine/GameState.h"
#include "engine/Host.h"
#include "engine/TextHistory.h"
#include "engine/PictureLayers.h"

#include <QColor>
#include <cstdint>
#include <string>

namespace qel {

class ScriptTrace;
struct Game;

// Told of every script line before it runs (the debugger): it may stop the
// run there, waiting as every wait does, and change the state meanwhile.
class LineHook {
public:
    virtual ~LineHook() = default;
    virtual void beforeLine(Game& g, std::int64_t index) = 0;
};

// A run that executes this many lines without any wait is stopped with an
// error instead of freezing the player.
constexpr std::int64_t kMaxLinesWithoutWait = 10'000'000;
// The same for the commands that read a file (a scene, a picture, a face):
// each costs far more than a line, and a scenario reads a few between two
// waits, never this many.
constexpr std::int64_t kMaxLoadsWithoutWait = 1000;
// And for music and sounds started: each start loads its file and, for music,
// a synthesizer with its soundfont, which takes a good part of a second.
constexpr std::int64_t kMaxSoundsWithoutWait = 20;

// Font settings of the shown picture's canvas, kept between PT commands.
struct CanvasFont {
    QColor colour = QColor(0, 0, 0);
    std::string name;  // as the script wrote it (CP932)
    int height = -12;  // Windows convention: negative = character height
};

struct Game {
    explicit Game(GameHost& h) : host(h) {}
    GameState st;
    PictureLayers pics;
    CanvasFont canvasFont;
    // What the message window has shown since this game began; not saved.
    TextHistory history;
    GameHost& host;
    // Script lines run since the last wait; bounds a run that never waits.
    std::int64_t linesSinceWait = 0;
    // The bound on linesSinceWait; harnesses that run many scripts lower it.
    std::int64_t maxLinesWithoutWait = kMaxLinesWithoutWait;
    // Files read and music or sounds started since the last wait, and their
    // bounds. All these counts are the run's own work, so where a run is
    // stopped never depends on the machine's speed or load.
    std::int64_t loadsSinceWait = 0;
    std::int64_t maxLoadsWithoutWait = kMaxLoadsWithoutWait;
    std::int64_t soundsSinceWait = 0;
    std::int64_t maxSoundsWithoutWait = kMaxSoundsWithoutWait;
    // True while a picture transition runs; the main window refuses object
    // clicks then, so no second run starts between two steps.
    bool inTransition = false;
    // The store index of the text line being shown (for the read-text memory).
    std::int64_t textLine = -1;
    // With --trace: where each executed line is written; null otherwise.
    ScriptTrace* trace = nullptr;
    // With the debugger attached: told of each line; null otherwise.
    LineHook* lineHook = nullptr;
};

}  // namespace qel
