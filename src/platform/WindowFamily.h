#pragma once
// The game's windows as one family: the main window owns the message window,
// the verb window, the text input dialog and the message boxes. Each of them
// is made transient for it while it is shown, so the window manager keeps
// them above it and minimises and restores them with it, and they travel
// with it when it is dragged.
#include <QPoint>

class QWidget;

namespace qel {

// The owner; set once by the main window (nullptr forgets it).
void setOwnerWindow(QWidget* owner);
QWidget* ownerWindow();

// Makes a top-level window transient for the owner while the owner is shown.
// Call it whenever the window is about to be shown (its native window may be
// new after a change of its flags).
void keepWithOwner(QWidget& window);

// Moves every shown window that is transient for the owner by delta, except
// the one named (which places itself).
void moveOwnedWindows(QWidget& owner, QPoint delta, const QWidget* except);

} // namespace qel
