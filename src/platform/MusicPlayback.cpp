#include "platform/MusicPlayback.h"

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "platform/ShownText.h"

#include <QFile>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace qel {

MusicPlayback::MusicPlayback(AudioBackend& backend) : backend_(backend) {
    // The timer is switched off and on again by its own handler, like a
    // one-shot timer that re-arms itself with the length of the piece.
    timer1_.setSingleShot(false);
    QObject::connect(&timer1_, &QTimer::timeout, &timer1_, [this] {
        try {
            Timer1Timer();
        } catch (const GameError& e) {
            if (timerError_) timerError_(e);
            else qWarning("Music restart failed: %s", qPrintable(decode(e.text())));
        }
    });
}

MusicPlayback::~MusicPlayback() {
    timer1_.stop();
    backend_.close(AudioChannel::Music);
    backend_.close(AudioChannel::Sound);
}

void MusicPlayback::MP(std::int32_t mode, const std::string& cp932File) {
    if (musicObserver_) musicObserver_(mode, cp932File);
    switch (mode) {
    case 1:
        // Played once means once: a repeat left over from an earlier piece ends.
        timer1_.stop();
        openPlayer(midip_, AudioChannel::Music, cp932File);
        play(midip_, AudioChannel::Music);
        break;
    case 3:
        // The old piece is closed by the open, so its repeat ends even when
        // the new file cannot be opened.
        timer1_.stop();
        openPlayer(midip_, AudioChannel::Music, cp932File);
        startTimer(length(midip_, AudioChannel::Music));
        play(midip_, AudioChannel::Music);
        break;
    default:
        closePlayer(midip_, AudioChannel::Music);
        timer1_.stop();
        break;
    }
}

void MusicPlayback::WP(std::int32_t mode, const std::string& cp932File) {
    if (soundObserver_) soundObserver_(mode, cp932File);
    if (mode == 1) {
        openPlayer(mediaPlayer2_, AudioChannel::Sound, cp932File);
        play(mediaPlayer2_, AudioChannel::Sound);
    } else {
        closePlayer(mediaPlayer2_, AudioChannel::Sound);
    }
}

void MusicPlayback::Timer1Timer() {
    timer1_.stop();
    seekToStart(midip_);
    startTimer(length(midip_, AudioChannel::Music));
    play(midip_, AudioChannel::Music);
}

void MusicPlayback::openPlayer(Player& p, AudioChannel channel, const std::string& cp932File) {
    p.fileName = cp932File;
    p.open = false;
    const std::optional<QString> path = findFile(cp932File);
    if (!path) {
        backend_.close(channel);  // opening closes the file that was open
        throw mediaError(cannotOpenError(cp932File).text());
    }
    QString why;
    if (!backend_.open(channel, *path, &why)) {
        // The audio library's reason is in English and for the developer: it
        // goes to the error output; the player sees its own text.
        writeTerminal(stderr, QStringLiteral("qelplayer: %1: %2\n")
                                  .arg(*path, why.isEmpty() ? QStringLiteral("cannot be played") : why));
        throw mediaError(cannotOpenError(cp932File).text());
    }
    p.open = true;
}

void MusicPlayback::closePlayer(Player& p, AudioChannel channel) {
    if (!p.open) return;
    backend_.close(channel);
    p.open = false;
}

void MusicPlayback::play(const Player& p, AudioChannel channel) {
    if (!p.open) throw noMciDeviceError();
    backend_.play(channel);
}

void MusicPlayback::seekToStart(const Player& p) {
    // The back end always plays from the beginning; seeking only needs a device.
    if (!p.open) throw noMciDeviceError();
}

std::int64_t MusicPlayback::length(const Player& p, AudioChannel channel) {
    if (!p.open) throw noMciDeviceError();
    return backend_.lengthMs(channel);
}

void MusicPlayback::startTimer(std::int64_t lengthMs) {
    // An interval of 0 never fires: a piece without a length is not repeated.
    if (lengthMs <= 0) return;
    timer1_.setInterval(int(std::min<std::int64_t>(lengthMs, std::numeric_limits<int>::max())));
    timer1_.start();
}

}  // namespace qel
