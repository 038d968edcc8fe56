#include "engine/ObjectLogic.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace qel {

int HitTest(const GameState& st, int x, int y) {
    for (int n = 1; n <= kObjectCount; ++n) {
        const ObjectRect& r = st.ObjectRects[n];
        if (clickable(r) && r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom) return n;
    }
    return 0;
}

bool HasVerbs(const GameState& st, int object) {
    const ObjectWordList& w = st.ObjectWords[object];
    for (int j = 2; j <= 6; ++j)
        if (!w[j].empty()) return true;
    return false;
}

QPoint ClampVerbPosition(int x, int y) {
    if (x > 445) x = 445;
    if (y > 260) y = 260;
    if (x < 5) x = 1;
    if (y < 5) y = 1;
    return {x, y};
}

std::optional<QPoint> PointSelecting(const GameState& st, int object, QSize picture) {
    if (object < 1 || object > kObjectCount) return std::nullopt;
    const ObjectRect& r = st.ObjectRects[object];
    if (!clickable(r)) return std::nullopt;
    // The object's part inside the picture; 64-bit so that bounds near the
    // ends of the 32-bit range cannot overflow below.
    const std::int64_t x0 = std::max<std::int64_t>(r.Left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(r.Right, picture.width() - 1);
    const std::int64_t y0 = std::max<std::int64_t>(r.Top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(r.Bottom, picture.height() - 1);
    if (x0 > x1 || y0 > y1) return std::nullopt;
    // Every stretch of the object that the lower-numbered objects leave free
    // starts or ends at one of the object's own edges or next to an edge of
    // theirs, so these columns and rows reach every free stretch.
    std::vector<std::int64_t> xs{x0, x1, (x0 + x1) / 2};
    std::vector<std::int64_t> ys{y0, y1, (y0 + y1) / 2};
    for (int m = 1; m < object; ++m) {
        const ObjectRect& o = st.ObjectRects[m];
        if (o.Left == -1) continue;
        for (std::int64_t x : {std::int64_t(o.Left) - 1, std::int64_t(o.Right) + 1})
            if (x0 <= x && x <= x1) xs.push_back(x);
        for (std::int64_t y : {std::int64_t(o.Top) - 1, std::int64_t(o.Bottom) + 1})
            if (y0 <= y && y <= y1) ys.push_back(y);
    }
    const std::int64_t cx2 = x0 + x1;  // twice the middle, to stay in whole numbers
    const std::int64_t cy2 = y0 + y1;
    std::optional<QPoint> best;
    std::int64_t bestDistance = 0;
    for (std::int64_t x : xs) {
        for (std::int64_t y : ys) {
            if (HitTest(st, int(x), int(y)) != object) continue;
            const std::int64_t dx = 2 * x - cx2;
            const std::int64_t dy = 2 * y - cy2;
            const std::int64_t d = dx * dx + dy * dy;
            if (!best || d < bestDistance) {
                best = QPoint(int(x), int(y));
                bestDistance = d;
            }
        }
    }
    return best;
}

std::vector<int> ReachableObjects(const GameState& st, QSize picture) {
    std::vector<int> out;
    for (int n = 1; n <= kObjectCount; ++n)
        if (PointSelecting(st, n, picture)) out.push_back(n);
    return out;
}

int StepHighlight(const std::vector<int>& reachable, int current, bool forward) {
    if (reachable.empty()) return 0;
    if (forward) {
        for (int n : reachable)
            if (n > current) return n;
        return reachable.front();
    }
    for (auto it = reachable.rbegin(); it != reachable.rend(); ++it)
        if (current == 0 || *it < current) return *it;
    return reachable.back();
}

int StepHighlightToward(const GameState& st, QSize picture, int current, int dx, int dy) {
    const std::vector<int> reachable = ReachableObjects(st, picture);
    if (reachable.empty()) return 0;
    const std::optional<QPoint> from = PointSelecting(st, current, picture);
    if (!from) return reachable.front();
    int best = current;
    std::int64_t bestScore = INT64_MAX;
    for (int n : reachable) {
        const QPoint to = *PointSelecting(st, n, picture);
        const std::int64_t x = to.x() - from->x(), y = to.y() - from->y();
        const std::int64_t along = x * dx + y * dy;
        const std::int64_t across = std::abs(x * dy + y * dx);
        if (n == current || along <= 0) continue;
        if (along + 2 * across < bestScore) {
            bestScore = along + 2 * across;
            best = n;
        }
    }
    return best;
}

}  // namespace qel
