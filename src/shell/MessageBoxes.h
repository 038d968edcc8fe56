#pragma once
// The game's message boxes and the boundary where Qt calls into the game.
#include "engine/Host.h"

#include <QString>
#include <functional>
#include <string>

namespace qel {

// The application's title: caption of notices and of the error box.
QString applicationTitle();

// Shows a modal message box of the given kind (centred on the screen) and
// returns the answer. Throws RunAbandoned when the program quits meanwhile.
BoxAnswer showMessageBox(BoxKind kind, const std::string& cp932Text);

// The application's error box with the error's text.
void showErrorBox(const std::string& cp932Text);

// Runs a piece of the game on behalf of a Qt handler: a GameError ends it and
// is shown in the error box; an abandoned run (the program is quitting) ends
// it silently. Nothing crosses into Qt's event loop. False when it failed.
bool guarded(const std::function<void()>& work);

}  // namespace qel
