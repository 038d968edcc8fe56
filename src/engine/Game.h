#pragma once
// One running game: the state, the main window's pictures, and the host that
// reaches the windows. Exactly one exists, owned by the main window.
#include "engine/GameState.h"
#include "engine/Host.h"
#include "engine/TextHistory.h"
#include "scene/PictureLayers.h"

#include <QColor>
#include <chrono>
#include <cstdint>
#include <string>

namespace qel {

class ScriptTrace;

// A run that executes this many lines without any wait is stopped with an
// error instead of freezing the player.
constexpr std::int64_t kMaxLinesWithoutWait = 10'000'000;

// Font settings of the shown picture's canvas, kept between PT commands.
struct CanvasFont {
    QColor colour = QColor(0, 0, 0);
    std::string name;   // as the script wrote it (CP932)
    int height = -12;   // Windows convention: negative = character height
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
    // When the run started or last waited (real time, also in replays).
    std::chrono::steady_clock::time_point waitFreeSince = std::chrono::steady_clock::now();
    // True while a picture transition runs; the main window refuses object
    // clicks then, so no second run starts between two steps.
    bool inTransition = false;
    // The store index of the text line being shown (for the read-text memory).
    std::int64_t textLine = -1;
    // With --trace: where each executed line is written; null otherwise.
    ScriptTrace* trace = nullptr;
};

} // namespace qel
