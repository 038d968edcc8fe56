#pragma once
// The game shell without its windows: game start, new game and continue, the
// quit and return-to-menu dialogs and the handling of the command line.
#include "engine/Game.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

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

// --- command line ---

// What the start menu does with the first command-line argument.
struct StartupPlan {
    std::optional<std::string> message;           // the box "シーン　<name>から始めます。" (CP932)
    std::optional<QString> folder;                // the folder to change to first
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

}  // namespace qel
