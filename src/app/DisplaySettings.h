#pragma once
// The player's remembered display: scale and full screen, kept in the user's
// settings (the XDG config folder: qelplayer/qelplayer.conf) from one start to
// the next. Command-line options win over them.
#include <QSettings>
#include <memory>
#include <optional>

namespace qel {

struct DisplayChoice {
    int scale = 0;  // 1 to 6, or 0 for the automatic scale
    bool fullScreen = false;
    QString windows = QStringLiteral("auto");  // one, separate or auto (only read: set by hand)
};

// The stored choice; missing or unreadable values give the defaults.
DisplayChoice loadDisplayChoice(QSettings& settings);
void saveDisplayChoice(QSettings& settings, const DisplayChoice& choice);
// The user's own settings file.
std::unique_ptr<QSettings> userSettings();

// What this start uses: each option given on the command line, else the stored value.
DisplayChoice chooseDisplay(const DisplayChoice& stored, std::optional<int> scaleOption,
                            std::optional<bool> fullScreenOption);

} // namespace qel
