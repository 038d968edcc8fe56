#pragma once
// Game controllers through SDL2's game controller API: any pad of SDL's
// controller database, and the mappings SDL_GAMECONTROLLERCONFIG adds, plugged
// in before the start or while playing. Reports the buttons of PadButton as
// they go down and up; the left stick is read as the direction pad.
//
// It never polls. SDL only sees a device's input when it is pumped, so the
// pump is driven by the devices themselves: each open controller's event
// node (/dev/input/eventN) is watched with a socket notifier, and the folder
// /dev/input with a file system watcher (inotify) for controllers coming and
// going. A change of the folder pumps at once and twice more within a second,
// while the system finishes setting the new node up. Without a controller,
// and with one that nobody touches, the program does not wake at all.
// Controllers that have no node (SDL's virtual ones) are read by pump().
#include "platform/PadButton.h"

#include <QObject>
#include <QString>
#include <memory>

namespace qel {

class SdlGamepad : public QObject {
    Q_OBJECT
public:
    explicit SdlGamepad(QObject* parent = nullptr);
    ~SdlGamepad() override;

    // False when SDL's controller support could not start (the reason was
    // logged); the object then does nothing.
    bool available() const;
    // The controllers open now.
    int count() const;
    // Reads what SDL has seen since the last pump and reports it.
    void pump();

    // A virtual controller in SDL's controller layer, which replays press
    // when they test the whole way from a device to the game: attaches it
    // (false, with SDL's reason, where SDL cannot), then sets one of its
    // buttons down or up and reports what SDL makes of it, as a real
    // controller's input is.
    bool attachVirtual(QString* why);
    void pressVirtual(PadButton button, bool down);

signals:
    void button(qel::PadButton button, bool down);
    void attached(const QString& name);
    void detached();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace qel
