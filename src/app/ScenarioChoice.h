#pragma once
// What the player is given to play: the command line's argument, an archive
// unpacked into the cache, or a scenario chosen in a file dialog when there is
// nothing else.
#include "shell/SaveFile.h"

#include <QString>
#include <optional>

namespace qel {

// The first argument as the start menu takes it, with where it came from.
struct ScenarioArgument {
    std::optional<QString> arg;            // a scene file or scenario folder (nullopt: none)
    std::optional<ArchiveOrigin> archive;  // set when the scenario came from an archive
    QString error;                         // not empty: nothing can be played; the message
};

// Resolves the first argument. A folder must hold "Opning.dat"; an archive
// (.lzh .lha .zip .7z) is unpacked into cacheRoot and its scenario folder
// played; a path that does not exist is an error unless it names a scene file
// (".dat"), which keeps the quiet start from "Opning.dat".
ScenarioArgument ResolveScenarioArgument(const std::optional<QString>& firstArg, const QString& cacheRoot);

// True when there is nothing to play: no argument and no "Opning.dat" in the
// current folder.
bool NeedsChooser(const std::optional<QString>& firstArg);

// The example scenario installed with the program, or empty when there is none.
QString InstalledDemoFolder();

// Where the chooser opens: the folder last chosen from, else the installed
// example scenario, else the home folder.
QString ChooserStartFolder();

// The chooser: Qt's file dialog for a scenario's "Opning.dat" or an archive.
// Returns the scenario folder (for an "Opning.dat") or the archive chosen, or
// nullopt when the player cancels. Remembers the folder chosen from.
std::optional<QString> ChooseScenario(const QString& startFolder);

}  // namespace qel
