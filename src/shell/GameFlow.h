#pragma once
// The game shell without its windows: game start, new game and continue, the
// quit and return-to-menu dialogs, the main picture's hit test and the
// handling of the command line.
#include "engine/Game.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qel {

// --- game start ---

// The scene that "はじめから" loads when the command line names none.
inline constexpr const char* kDefaultStartScene = "Opning.dat";

// Resets what every game start needs: PendingStart := 1, a new empty script
// store, an empty text history, and every object marked unused (its other
// bounds and words kept).
void PrepareGame(Game& g);
// Loads startScene (its name used unchanged) with all integer variables 0.
void LoadNewGame(Game& g, const std::string& startScene);
// Restores the saved scene and variables from the save file and loads that
// scene. With no save file, shows "セーブＤＡＴＡが見当たりません" and loads a new
// game from startScene; the caller's showing of the main window then starts it
// from its start label like any new game.
void LoadSavedGame(Game& g, const std::string& startScene);

// --- leaving the game ---

// The main window's Exit item and close query: asks whether to quit, then
// whether to save (and whether to overwrite), writes the save and ends the
// program. A failing save raises the input/output error; nothing after it runs.
void ExitClick(Game& g);
// The main window's TopMenu item: asks whether to save (and whether to
// overwrite), writes the save and closes the main window.
void TopMenuClick(Game& g);

// --- mouse input on the main picture ---

// The object a left press at (x, y) selects: the lowest-numbered used object
// whose rectangle contains the point (all bounds inclusive), or 0 for none.
int HitTest(const GameState& st, int x, int y);
// True when the object has at least one non-empty verb (it opens the verb window).
bool HasVerbs(const GameState& st, int object);
// Where the verb window goes, in picture pixels from the picture's top-left corner.
QPoint ClampVerbPosition(int x, int y);

// --- choosing objects with the keyboard ---

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

// --- command line ---

// What the start menu does with the first command-line argument.
struct StartupPlan {
    std::optional<std::string> message;  // the box "シーン　<name>から始めます。" (CP932)
    std::optional<QString> folder;       // the folder to change to first
    std::string startScene = kDefaultStartScene;  // StartScene after the change (CP932)
};

// The plan for the first argument (nullopt: no argument). A missing file gives
// the default plan. A file gives its name as the start scene, with the change
// to its folder unless a file of that name lies in the current folder. A folder
// is a scenario folder: change to it and start from "Opning.dat" there.
StartupPlan PlanStartup(const std::optional<QString>& firstArg);
// Carries out a plan as the start menu's creation does: startScene becomes
// "Opning.dat", the message is shown, the folder changed, and only then
// startScene takes the plan's scene. A failed change raises the input/output
// error and leaves startScene at "Opning.dat".
void ApplyStartup(const StartupPlan& plan, std::string& startScene,
                  const std::function<void(const std::string&)>& showMessage);
// Changes the current folder; raises the input/output error on failure.
void ChangeFolder(const QString& folder);
// The main window's caption: the file-name part of the first argument (the
// folder's name for a folder), or "QEL Player Ver. 1.24" without one.
QString MainWindowCaption(const std::optional<QString>& firstArg);

} // namespace qel
