#pragma once
// How loud the player wants the game: the music and sound volumes (0 to 100),
// mute (key M), and silence while the main window is minimised. The levels
// go to the audio back end at once and again whenever one of these settings
// changes or the window is minimised or restored. They are the player's
// alone: the scenario's music commands, and so its transcripts, never see
// them.
#include <QObject>

class QWidget;

namespace qel {

class AudioBackend;

class SoundLevels : public QObject {
    Q_OBJECT
public:
    // Applies the settings to the back end, which must outlive this object.
    explicit SoundLevels(AudioBackend& backend, QObject* parent = nullptr);

    // Follows the window's minimised state (the main window).
    void watchWindow(QWidget* window);
    void setMinimized(bool minimized);

    // The levels given to the back end, 0 to 100.
    int musicLevel() const;
    int soundLevel() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool silent() const;
    void apply();

    AudioBackend& backend_;
    bool minimized_ = false;
};

// True while the player has muted the game.
bool muted();
// Mute on or off (key M, the replay actions "mute on" and "mute off").
void setMuted(bool on);

}  // namespace qel
