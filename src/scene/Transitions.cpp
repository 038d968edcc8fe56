#include "scene/Transitions.h"

#include "engine/WaitGuard.h"
#include "scene/Bitmap.h"
#include "scene/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace qel {

namespace {

constexpr QRgb kBlack = 0xFF000000u;

// Marks the game as inside a transition for the guard's life; the previous
// value comes back afterwards, also when a step throws.
class TransitionFlag {
public:
    explicit TransitionFlag(Game& g) : g_(g), previous_(g.inTransition) { g_.inTransition = true; }
    ~TransitionFlag() { g_.inTransition = previous_; }
    TransitionFlag(const TransitionFlag&) = delete;
    TransitionFlag& operator=(const TransitionFlag&) = delete;

private:
    Game& g_;
    bool previous_;
};

// Holds ClickLock at 1 for the guard's life.
class ClickLockGuard {
public:
    explicit ClickLockGuard(GameHost& h) : h_(h) { h_.setClickLock(1); }
    ~ClickLockGuard() {
        try {
            h_.setClickLock(0);
        } catch (...) {
            // unlocking must not replace the exception that ends the wait
        }
    }
    ClickLockGuard(const ClickLockGuard&) = delete;
    ClickLockGuard& operator=(const ClickLockGuard&) = delete;

private:
    GameHost& h_;
};

// Copies the w x h area of the new picture at (sx, sy) to (dx, dy) of the shown
// picture. Where the area reaches beyond a smaller new picture, the shown
// picture becomes black there.
void showNew(QImage& front, std::int64_t dx, std::int64_t dy, const QImage& pic, std::int64_t sx, std::int64_t sy,
             std::int64_t w, std::int64_t h) {
    if (w <= 0 || h <= 0 || front.isNull()) return;
    // Clip to the shown picture first, moving the source along.
    clipStart(dx, sx, w);
    clipStart(dy, sy, h);
    w = std::min<std::int64_t>(w, front.width() - dx);
    h = std::min<std::int64_t>(h, front.height() - dy);
    if (w <= 0 || h <= 0) return;
    const bool inside = sx >= 0 && sy >= 0 && sx + w <= pic.width() && sy + h <= pic.height();
    if (!inside) {
        if (front.format() != QImage::Format_RGB32) front = front.convertToFormat(QImage::Format_RGB32);
        for (std::int64_t r = 0; r < h; ++r)
            std::fill_n(reinterpret_cast<QRgb*>(front.scanLine(int(dy + r))) + dx, w, kBlack);
    }
    rasterBlit(front, int(dx), int(dy), pic, int(sx), int(sy), int(w), int(h), RasterOp::Copy);
}

// Moves the w x h area at (sx, sy) of the shown picture to (dx, dy); the whole
// source is read before anything is written.
void shift(QImage& front, int dx, int dy, int sx, int sy, int w, int h) {
    rasterBlit(front, dx, dy, front, sx, sy, w, h, RasterOp::Copy);
}

// One step s of a mode. W and H are the shown picture's size now (a nested
// run may have changed it since the transition began).
void runStep(QImage& front, const QImage& pic, int mode, int s) {
    const int W = front.width(), H = front.height();
    const int k = kStripWidth;
    switch (mode) {
    case 1:  // old slides out to the left, new uncovered from the right
        shift(front, 0, 0, k, 0, W - k * s, H);
        showNew(front, W - k * s, 0, pic, W - k * s, 0, k, H);
        break;
    case 2:  // new slides in from the left
        showNew(front, 0, 0, pic, W - k * s, 0, k * s, H);
        break;
    case 3:  // old slides out to the right, new uncovered from the left
        shift(front, k * s, 0, k * (s - 1), 0, W - k * s, H);
        showNew(front, k * (s - 1), 0, pic, k * (s - 1), 0, k, H);
        break;
    case 4:  // new slides in from the right
        showNew(front, W - k * s, 0, pic, 0, 0, k * s, H);
        break;
    case 5:  // old slides out upward, new uncovered from the bottom
        shift(front, 0, 0, 0, k, W, H - k * s);
        showNew(front, 0, H - k * s, pic, 0, H - k * s, W, k);
        break;
    case 6:  // new slides in from the top
        showNew(front, 0, 0, pic, 0, H - k * s, W, k * s);
        break;
    case 7:  // old slides out downward, new uncovered from the top
        shift(front, 0, k * s, 0, k * (s - 1), W, H - k * s);
        showNew(front, 0, k * (s - 1), pic, 0, k * (s - 1), W, k);
        break;
    case 8:  // new slides in from the bottom
        showNew(front, 0, H - k * s, pic, 0, 0, W, k * s);
        break;
    default: break;
    }
}

}  // namespace

void TransitionTo(Game& g, int mode, const std::string& name) {
    TransitionFlag flag(g);
    noteLoad(g);
    const QImage pic = loadBitmapFile(name + ".bmp");

    if (mode >= 1 && mode <= 8) {
        // The number of steps is fixed by the size at the start.
        const int NW = g.pics.ImageFront.width() / kStripWidth;
        const int NH = g.pics.ImageFront.height() / kStripWidth;
        const bool horizontal = mode <= 4;
        const int last = horizontal ? NW : NH;
        const int first = (mode % 2 == 0) ? 0 : 1;  // the sliding-in modes start with an empty step
        for (int s = first; s <= last; ++s) {
            if (g.host.skipping()) {
                // Straight to the final picture, after one pass over the
                // pending events: a loop of transitions stays responsive
                // while skipping, and releasing the skip is noticed.
                g.host.waitMs(0);
                noteWait(g);
                break;
            }
            runStep(g.pics.ImageFront, pic, mode, s);
            g.host.repaintPicture();
            g.host.waitMs(kStepDelayMs);
            noteWait(g);
        }
        // The strip that a size not divisible by 10 leaves, or everything when
        // there were no steps or the player skipped them.
        showNew(g.pics.ImageFront, 0, 0, pic, 0, 0, g.pics.ImageFront.width(), g.pics.ImageFront.height());
    }
    g.host.repaintPicture();
}

void TimedWait(Game& g, std::int64_t ms) {
    ClickLockGuard lock(g.host);
    if (g.host.skipping()) {
        g.host.waitMs(0);  // skipped: one pass over the pending events
    } else if (ms >= 0) {
        // Until the clock is past now + ms: at least one tick more than ms.
        g.host.waitMs(ms < std::numeric_limits<std::int64_t>::max() ? ms + 1 : ms);
    } else {
        g.host.waitMs(0);  // one pass over the pending events
    }
    noteWait(g);
}

}  // namespace qel
