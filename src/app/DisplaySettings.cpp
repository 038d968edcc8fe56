#include "app/DisplaySettings.h"

#include "platform/ViewScale.h"

namespace qel {

namespace {
const QString kScaleKey = QStringLiteral("display/scale");
const QString kFullScreenKey = QStringLiteral("display/fullscreen");
const QString kWindowsKey = QStringLiteral("display/windows");
} // namespace

DisplayChoice loadDisplayChoice(QSettings& settings) {
    DisplayChoice c;
    if (auto n = parseScaleOption(settings.value(kScaleKey, QStringLiteral("auto")).toString())) c.scale = *n;
    c.fullScreen = settings.value(kFullScreenKey, false).toBool();
    c.windows = settings.value(kWindowsKey, c.windows).toString();
    return c;
}

void saveDisplayChoice(QSettings& settings, const DisplayChoice& choice) {
    settings.setValue(kScaleKey, choice.scale == 0 ? QStringLiteral("auto") : QString::number(choice.scale));
    settings.setValue(kFullScreenKey, choice.fullScreen);
    settings.sync();
}

std::unique_ptr<QSettings> userSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qelplayer"),
                                       QStringLiteral("qelplayer"));
}

DisplayChoice chooseDisplay(const DisplayChoice& stored, std::optional<int> scaleOption,
                            std::optional<bool> fullScreenOption) {
    DisplayChoice c = stored;
    if (scaleOption) c.scale = *scaleOption;
    if (fullScreenOption) c.fullScreen = *fullScreenOption;
    return c;
}

} // namespace qel
