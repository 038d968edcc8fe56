#pragma once
// What a press on the picture reaches: the hit test over the clickable
// objects, their verbs, where the verb window goes, and the objects the
// keyboard's highlight steps over. Pure logic on the game state, shared by
// the main window and the scenario checker.
#include "engine/GameState.h"

#include <QPoint>
#include <QSize>

#include <optional>
#include <vector>

namespace qel {

// True when a press can land in the rectangle: the object is used (Left is
// not -1) and its bounds are in order (Left <= Right, Top <= Bottom).
constexpr bool clickable(const ObjectRect& r) { return r.Left != -1 && r.Left <= r.Right && r.Top <= r.Bottom; }

// The object a left press at (x, y) selects: the lowest-numbered used object
// whose rectangle contains the point (all bounds inclusive), or 0 for none.
int HitTest(const GameState& st, int x, int y);
// True when the object has at least one non-empty verb (it opens the verb window).
bool HasVerbs(const GameState& st, int object);
// Where the verb window goes, in picture pixels from the picture's top-left corner.
QPoint ClampVerbPosition(int x, int y);

// A picture pixel, inside a picture of the given size, at which a left press
// selects the object: the pixel nearest the middle of the object's visible
// part that no lower-numbered object covers. nullopt when no pixel of the
// picture selects it (unused, outside the picture, or wholly covered).
std::optional<QPoint> PointSelecting(const GameState& st, int object, QSize picture);
// The objects a press on the picture can select, in the hit test's order of
// precedence (lowest number first).
std::vector<int> ReachableObjects(const GameState& st, QSize picture);
// The object the highlight moves to from `current` (0: none) among the
// reachable ones: the next one forward, or the previous one backward, going
// round at the ends. 0 when there is none.
int StepHighlight(const std::vector<int>& reachable, int current, bool forward);
// The object the highlight moves to from `current` in a direction of the
// picture (dx, dy: one of them -1 or 1, the other 0), comparing the objects'
// selecting points: the nearest one lying that way, a step across the
// direction weighing twice a step along it (lower number first on a tie).
// Without a current object: the first reachable one. `current` itself
// when nothing lies that way; 0 when nothing is reachable.
int StepHighlightToward(const GameState& st, QSize picture, int current, int dx, int dy);

}  // namespace qel
