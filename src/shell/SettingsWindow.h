#pragma once
// The settings window (F2, or "Settings" in the popup menu): one line for
// each setting of the settings table that a player chooses (the display,
// skipping, auto-forward, copying text, the volumes and mute, controllers),
// each edited in place. A change takes effect at once and is kept in the
// settings file, as the keys that change the same settings keep it.
#include <QDialog>
#include <QString>
#include <map>

namespace qel {

class Display;
struct SettingRow;

class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    // display: the game's display, which the scale, full-screen and window
    // settings change as they are edited.
    explicit SettingsWindow(Display& display, QWidget* parent = nullptr);

    // The editor of a setting, by its name (nullptr for one not shown).
    QWidget* editor(const QString& name) const;

private:
    void edited(const SettingRow& row, const QString& value);
    void showValue(const QString& name);  // the setting's value as it is now

    Display& display_;
    std::map<QString, QWidget*> editors_;
};

}  // namespace qel
