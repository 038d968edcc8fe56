#pragma once
// The save file "QELP.INI": the scene name, the 50 integer variables and the
// 9 string slots, one per line, each line ended by CR LF.
#include "engine/GameState.h"

#include <QString>
#include <string>

namespace qel {

// The save file's name as the player forms it.
inline constexpr const char* kSaveFileName = "QELP.INI";

// Where the save file lives: empty for the current (scenario) folder, as
// always; otherwise that folder, made when the first save is written. A save
// already lying in the scenario folder is still read while the save folder
// holds none.
void SetSaveFolder(const QString& folder);
QString SaveFolder();

// Identifies a scenario that came from an archive, for its saves.
struct ArchiveOrigin {
    QString name;         // the scenario's name: its folder in the archive, or the archive's
    QString contentHash;  // hex hash of the archive's bytes
};

// The save folder for a scenario: empty (the scenario folder itself) when the
// player may write there and it did not come from an archive; otherwise
// "qelplayer/saves/<name>-<short hash>" in the user's data folder (XDG_DATA_HOME,
// else ~/.local/share), the hash being the archive's or that of the folder's
// full path.
QString SaveFolderFor(const QString& scenarioFolder, const ArchiveOrigin* archive = nullptr);
// The scenario's own folder in the user's data folder, whether or not its
// saves go there (the read-text memory always does).
QString ScenarioDataFolder(const QString& scenarioFolder, const ArchiveOrigin* archive = nullptr);

// True when a save file exists (letter case ignored in the scenario folder).
bool SaveFileExists();

// Writes the save file from the state. The new contents go to a temporary file
// beside the old one, which replaces it only when it is completely on disk; on
// any failure the old save stays as it was and the input/output error is raised.
void WriteSaveFile(const GameState& st);

// Reads the save file into the state. Stops at the first error (input/output
// error, or "'%s' は整数ではありません" for an integer line that does not
// convert), leaving the state as far as it got. Never changes the file.
void ReadSaveFile(GameState& st);

// The file's bytes as WriteSaveFile writes them.
std::string SaveFileBytes(const GameState& st);

}  // namespace qel
