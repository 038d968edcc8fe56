#pragma once
// The program module: start-up, the five windows, the event loop.
#include <QStringList>

namespace qel {

// Runs the player with the program's arguments (after QApplication exists);
// returns the process's exit status.
int RunPlayer(const QStringList& arguments);

} // namespace qel
