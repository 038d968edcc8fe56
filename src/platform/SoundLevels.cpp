#include "platform/SoundLevels.h"

#include "platform/AudioBackend.h"
#include "platform/Settings.h"

#include <QEvent>
#include <QWidget>

namespace qel {

SoundLevels::SoundLevels(AudioBackend& backend, QObject* parent) : QObject(parent), backend_(backend) {
    connect(&Settings::instance(), &Settings::changed, this, [this](const QString& name) {
        if (name == QLatin1String("music-volume") || name == QLatin1String("sound-volume") ||
            name == QLatin1String("mute") || name == QLatin1String("mute-minimized"))
            apply();
    });
    apply();
}

void SoundLevels::watchWindow(QWidget* window) {
    window->installEventFilter(this);
    setMinimized(window->isMinimized());
}

void SoundLevels::setMinimized(bool minimized) {
    if (minimized_ == minimized) return;
    minimized_ = minimized;
    apply();
}

bool SoundLevels::silent() const {
    const Settings& s = Settings::instance();
    return s.flag("mute") || (minimized_ && s.flag("mute-minimized"));
}

int SoundLevels::musicLevel() const { return silent() ? 0 : Settings::instance().number("music-volume"); }
int SoundLevels::soundLevel() const { return silent() ? 0 : Settings::instance().number("sound-volume"); }

void SoundLevels::apply() {
    backend_.setVolume(AudioChannel::Music, musicLevel());
    backend_.setVolume(AudioChannel::Sound, soundLevel());
}

bool SoundLevels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange)
        if (auto* window = qobject_cast<QWidget*>(watched)) setMinimized(window->isMinimized());
    return QObject::eventFilter(watched, event);
}

bool muted() { return Settings::instance().flag("mute"); }
void setMuted(bool on) { Settings::instance().setFlag("mute", on); }

}  // namespace qel
