#include "platform/SdlAudioBackend.h"

#include "platform/MidiDuration.h"
#include "platform/OnDemandLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <cmath>

namespace qel {
namespace {

// The mixer and SDL, loaded as the device is first opened.
#define MIXER_FUNCTIONS(X) \
    X(Mix_CloseAudio)      \
    X(Mix_FreeChunk)       \
    X(Mix_FreeMusic)       \
    X(Mix_GetMusicType)    \
    X(Mix_HaltChannel)     \
    X(Mix_HaltMusic)       \
    X(Mix_Init)            \
    X(Mix_LoadMUS)         \
    X(Mix_LoadWAV)         \
    X(Mix_MusicDuration)   \
    X(Mix_OpenAudio)       \
    X(Mix_PlayChannel)     \
    X(Mix_PlayMusic)       \
    X(Mix_QuerySpec)       \
    X(Mix_Quit)            \
    X(Mix_SetSoundFonts)   \
    X(Mix_Volume)          \
    X(Mix_VolumeMusic)     \
    X(SDL_GetError)        \
    X(SDL_InitSubSystem)   \
    X(SDL_QuitSubSystem)   \
    X(SDL_SetHint)

struct Mixer {
    MIXER_FUNCTIONS(QEL_FUNCTION_POINTER)
    bool load(QString* why) {
        return loadLibrary("libSDL2_mixer-2.0.so.0", {MIXER_FUNCTIONS(QEL_FUNCTION_ENTRY)}, why);
    }
};

// The mixer's functions, used only once the device is open.
const Mixer& mixer() { return *loadedOnce<Mixer>(nullptr); }

constexpr int SoundChannel = 0;
constexpr qint64 MaxMidiBytes = 64 * 1024 * 1024;

QString sdlError() { return QString::fromUtf8(mixer().SDL_GetError()).trimmed(); }

bool looksLikeMidi(const QByteArray& head) {
    return head.startsWith("MThd") || (head.startsWith("RIFF") && head.mid(8, 4) == "RMID");
}

// The duration of a MIDI file on disk; 0 when it cannot be worked out.
std::int64_t midiFileMs(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray bytes = f.read(MaxMidiBytes);
    return midiDurationMs(std::string_view(bytes.constData(), std::size_t(bytes.size()))).value_or(0);
}

}  // namespace

struct SdlAudioBackend::Impl {
    enum class Device { Untried, Open, Silent };
    Device device = Device::Untried;

    struct Slot {
        bool open = false;  // a file is open (also when silent)
        std::int64_t lengthMs = 0;
        Mix_Music* music = nullptr;  // music channel
        Mix_Chunk* chunk = nullptr;  // sound channel
    };
    Slot music, sound;
    int musicPercent = 100, soundPercent = 100;

    // The mixer's volumes follow the chosen ones (kept while the device is
    // not open yet, and given to it as it opens).
    void applyVolumes() const {
        if (device != Device::Open) return;
        mixer().Mix_VolumeMusic(musicPercent * MIX_MAX_VOLUME / 100);
        mixer().Mix_Volume(SoundChannel, soundPercent * MIX_MAX_VOLUME / 100);
    }

    Slot& slot(AudioChannel c) { return c == AudioChannel::Music ? music : sound; }

    void goSilent(const QString& why) {
        device = Device::Silent;
        qWarning("Audio device unavailable (%s): music and sound stay silent", qPrintable(why));
    }

    // Opens the device on first use; true when sound can be played.
    bool ensureDevice() {
        if (device != Device::Untried) return device == Device::Open;
        QString missing;
        if (!loadedOnce<Mixer>(&missing)) {
            goSilent(missing);
            return false;
        }
        // SDL would take over SIGINT and SIGTERM and turn them into quit
        // events that nothing here reads; the program handles them itself.
        mixer().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (mixer().SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
            goSilent(sdlError());
            return false;
        }
        mixer().Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_MID);
        const QString font = soundFontPath();
        if (!font.isEmpty()) mixer().Mix_SetSoundFonts(QFile::encodeName(font).constData());
        if (mixer().Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) < 0) {
            const QString why = sdlError();
            mixer().Mix_Quit();
            mixer().SDL_QuitSubSystem(SDL_INIT_AUDIO);
            goSilent(why);
            return false;
        }
        device = Device::Open;
        applyVolumes();
        return true;
    }

    void closeSlot(AudioChannel c) {
        Slot& s = slot(c);
        if (s.music) {
            mixer().Mix_HaltMusic();
            mixer().Mix_FreeMusic(s.music);
        }
        if (s.chunk) {
            mixer().Mix_HaltChannel(SoundChannel);
            mixer().Mix_FreeChunk(s.chunk);
        }
        s = Slot{};
    }

    std::int64_t chunkMs(const Mix_Chunk* chunk) {
        int freq = 0, channels = 0;
        Uint16 format = 0;
        if (!mixer().Mix_QuerySpec(&freq, &format, &channels) || freq <= 0 || channels <= 0) return 0;
        const std::int64_t frameBytes = std::int64_t(SDL_AUDIO_BITSIZE(format) / 8) * channels;
        if (frameBytes <= 0) return 0;
        return std::int64_t(chunk->alen) / frameBytes * 1000 / freq;
    }
};

SdlAudioBackend::SdlAudioBackend() : d(std::make_unique<Impl>()) {}

SdlAudioBackend::~SdlAudioBackend() {
    d->closeSlot(AudioChannel::Music);
    d->closeSlot(AudioChannel::Sound);
    if (d->device == Impl::Device::Open) {
        mixer().Mix_CloseAudio();
        mixer().Mix_Quit();
        mixer().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

QString SdlAudioBackend::soundFontPath() {
    const QString chosen = qEnvironmentVariable("QEL_SOUNDFONT");
    if (!chosen.isEmpty()) {
        if (QFileInfo::exists(chosen)) return chosen;
        qWarning("QEL_SOUNDFONT names no file (%s); using the default soundfont", qPrintable(chosen));
    }
    for (const char* candidate : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf3/TimGM6mb.sf3",
                                  "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf3/default-GM.sf3"}) {
        if (QFileInfo::exists(QString::fromLatin1(candidate))) return QString::fromLatin1(candidate);
    }
    return {};
}

bool SdlAudioBackend::audible() const { return d->device == Impl::Device::Open; }

bool SdlAudioBackend::open(AudioChannel channel, const QString& path, QString* error) {
    d->closeSlot(channel);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const bool midi = looksLikeMidi(file.peek(12));
    file.close();

    Impl::Slot& s = d->slot(channel);
    if (!d->ensureDevice()) {
        // Silent: the file exists and is readable; that is all that can be checked.
        s.open = true;
        s.lengthMs = midi ? midiFileMs(path) : 0;
        return true;
    }

    const QByteArray name = QFile::encodeName(path);
    if (channel == AudioChannel::Music) {
        Mix_Music* m = mixer().Mix_LoadMUS(name.constData());
        if (!m) return fail(sdlError());
        s.music = m;
        if (mixer().Mix_GetMusicType(m) == MUS_MID || midi) {
            s.lengthMs = midiFileMs(path);
        } else {
            const double seconds = mixer().Mix_MusicDuration(m);
            s.lengthMs = seconds > 0 ? std::int64_t(std::llround(seconds * 1000.0)) : 0;
        }
    } else {
        Mix_Chunk* c = mixer().Mix_LoadWAV(name.constData());
        if (!c) return fail(sdlError());
        s.chunk = c;
        s.lengthMs = d->chunkMs(c);
    }
    s.open = true;
    return true;
}

void SdlAudioBackend::play(AudioChannel channel) {
    Impl::Slot& s = d->slot(channel);
    if (s.music) {
        mixer().Mix_PlayMusic(s.music, 0);  // starts over from the beginning
        d->applyVolumes();                  // some decoders take the volume as they start
    }
    if (s.chunk) mixer().Mix_PlayChannel(SoundChannel, s.chunk, 0);
}

void SdlAudioBackend::close(AudioChannel channel) { d->closeSlot(channel); }

std::int64_t SdlAudioBackend::lengthMs(AudioChannel channel) { return d->slot(channel).lengthMs; }

void SdlAudioBackend::setVolume(AudioChannel channel, int percent) {
    percent = std::clamp(percent, 0, 100);
    (channel == AudioChannel::Music ? d->musicPercent : d->soundPercent) = percent;
    d->applyVolumes();
}

}  // namespace qel
