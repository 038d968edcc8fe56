#pragma once
// The game's windows as one family: the main window owns the message window,
// the verb window, the text input dialog and the message boxes. Each of them
// is made transient for it while it is shown, so the window manager keeps
// them above it and minimises and restores them with it, and they travel
// with it when it is dragged.
#include <QPoint>
#include <Qt>

class QEvent;

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

// The stage: when set, the owner shows the family's windows as panels inside
// itself instead of as windows of their own. The calls below ask it first.
class PanelHost {
public:
    virtual ~PanelHost() = default;
    // Takes the window in as a panel; called before it is shown.
    virtual void adopt(QWidget& window) = 0;
    // Places an adopted panel with its outer corner at a screen point; false
    // when the window is not one of its panels.
    virtual bool place(QWidget& window, QPoint screenPos) = 0;
    // Centres an adopted panel on the stage; false when it is not one.
    virtual bool centre(QWidget& window) = 0;
    // The window flags of an adopted panel (which decide its caption bar).
    virtual bool setFlags(QWidget& window, Qt::WindowFlags flags) = 0;
};
void setPanelHost(PanelHost* host);
PanelHost* panelHost();

// Moves a window's outer frame to a screen point (a panel: inside the stage).
void placeWindow(QWidget& window, QPoint screenPos);
// Centres a window on its screen (a panel: on the stage).
void centreWindow(QWidget& window);
// Sets a window's flags; a panel keeps being one and only changes its frame.
void setFrameFlags(QWidget& window, Qt::WindowFlags flags);
// True when the player closed the window: with the window system's close box,
// or with a panel's own (which sends its close event while this holds).
bool closedByPlayer(const QEvent& closeEvent);
class PlayerClosing {
public:
    PlayerClosing();
    ~PlayerClosing();
    PlayerClosing(const PlayerClosing&) = delete;
    PlayerClosing& operator=(const PlayerClosing&) = delete;
};

}  // namespace qel
