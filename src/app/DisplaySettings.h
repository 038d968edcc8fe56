#pragma once
// The player's remembered display: scale, full screen and the window mode, kept in the user's
// settings (platform/Settings) from one start to the next. Command-line
// options win over them.
#include <QString>
#include <optional>

namespace qel {

struct DisplayChoice {
    int scale = 0;  // 1 to 6, or 0 for the automatic scale
    bool fullScreen = false;
    QString windows = QStringLiteral("auto");  // one, separate or auto (only read: set by hand)
};

// The stored choice; missing or unreadable values give the defaults.
DisplayChoice loadDisplayChoice();
void saveDisplayChoice(const DisplayChoice& choice);

// What this start uses: each option given on the command line, else the stored value.
DisplayChoice chooseDisplay(const DisplayChoice& stored, std::optional<int> scaleOption,
                            std::optional<bool> fullScreenOption);

}  // namespace qel
