#include "app/DisplaySettings.h"

#include "platform/Settings.h"
#include "platform/ViewScale.h"

namespace qel {

DisplayChoice loadDisplayChoice() {
    const Settings& s = Settings::instance();
    DisplayChoice c;
    if (auto n = parseScaleOption(s.text("scale"))) c.scale = *n;
    c.fullScreen = s.flag("fullscreen");
    c.windows = s.text("windows");
    return c;
}

void saveDisplayChoice(const DisplayChoice& choice) {
    Settings& s = Settings::instance();
    s.set("scale", choice.scale == 0 ? QStringLiteral("auto") : QString::number(choice.scale));
    s.setFlag("fullscreen", choice.fullScreen);
}

DisplayChoice chooseDisplay(const DisplayChoice& stored, std::optional<int> scaleOption,
                            std::optional<bool> fullScreenOption) {
    DisplayChoice c = stored;
    if (scaleOption) c.scale = *scaleOption;
    if (fullScreenOption) c.fullScreen = *fullScreenOption;
    return c;
}

}  // namespace qel
