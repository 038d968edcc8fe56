#pragma once
// Music and sound of the script commands MP and WP. The music player `midip`
// plays a piece once or over and over: `Timer1` fires after the piece's
// length and starts it again from the beginning. The sound player
// `MediaPlayer2` plays one sound at a time and never repeats.
//
// Nothing but MP and WP starts or stops the players: music goes on across
// scene changes and after the return to the start menu.
#include "platform/AudioBackend.h"

#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

namespace qel {

class GameError;

class MusicPlayback {
public:
    // The back end must outlive this object.
    explicit MusicPlayback(AudioBackend& backend);
    ~MusicPlayback();
    MusicPlayback(const MusicPlayback&) = delete;
    MusicPlayback& operator=(const MusicPlayback&) = delete;

    // MP: mode 1 plays the file once, mode 3 plays it over and over, every
    // other mode stops the music. The file name is CP932 bytes as the script
    // writes it (extension included), found regardless of letter case.
    // Raises the media error when the file cannot be opened.
    void MP(std::int32_t mode, const std::string& cp932File);
    // WP: mode 1 plays the file once, every other mode stops the sound.
    void WP(std::int32_t mode, const std::string& cp932File);

    // The repeat timer's handler: starts the music again from its beginning
    // and sets the timer to the piece's length.
    void Timer1Timer();

    // Called at the start of every MP / WP with its mode and file.
    using CommandObserver = std::function<void(std::int32_t mode, const std::string& cp932File)>;
    void setMusicObserver(CommandObserver f) { musicObserver_ = std::move(f); }
    void setSoundObserver(CommandObserver f) { soundObserver_ = std::move(f); }
    // Receives an error raised while the timer restarts the music (default:
    // logged). The error cannot travel up through the event loop.
    void setTimerErrorHandler(std::function<void(const GameError&)> f) { timerError_ = std::move(f); }

    // State, for the window that owns the players and for tests.
    struct Player {
        std::string fileName;  // CP932, as the script gave it
        bool open = false;
    };
    const Player& midip() const { return midip_; }
    const Player& MediaPlayer2() const { return mediaPlayer2_; }
    const QTimer& Timer1() const { return timer1_; }

private:
    void openPlayer(Player& p, AudioChannel channel, const std::string& cp932File);
    void closePlayer(Player& p, AudioChannel channel);
    void play(const Player& p, AudioChannel channel);
    void seekToStart(const Player& p);
    std::int64_t length(const Player& p, AudioChannel channel);
    void startTimer(std::int64_t lengthMs);

    AudioBackend& backend_;
    Player midip_;
    Player mediaPlayer2_;
    QTimer timer1_;
    CommandObserver musicObserver_;
    CommandObserver soundObserver_;
    std::function<void(const GameError&)> timerError_;
};

}  // namespace qel
