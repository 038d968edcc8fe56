#pragma once
// The player's settings: one table of names, kinds and defaults, the values
// this run uses, and the one file they are kept in
// ($XDG_CONFIG_HOME/qelplayer/settings.ini).
//
// The file is read at start; a file over kMaxSettingsBytes is ignored with a
// note on standard error, and any value that does not read as its kind (a
// boolean is only true, false, 1 or 0; a number must lie in its range; a
// choice must be one of its words) gives that setting's default. A value set
// for one run (--set NAME=VALUE) wins over the file and is never stored.
// The files of earlier versions (qelplayer.conf for the display and gamepad,
// qelplayer.ini for the chooser's folder) are merged once, when the new file
// does not exist yet.
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace qel {

inline constexpr std::int64_t kMaxSettingsBytes = 1024 * 1024;

enum class SettingKind { Boolean, Number, Choice, Text };

struct SettingRow {
    const char* name;   // as --set and the file name it
    const char* group;  // the file's section
    SettingKind kind;
    const char* fallback;         // the default, written as the file writes it
    int low = 0, high = 0;        // Number: the range
    const char* words = nullptr;  // Choice: the words, separated by |
    const char* help = "";        // one line for --help
};

// Every setting, in the order --help lists them.
const std::vector<SettingRow>& settingRows();
const SettingRow* findSetting(const QString& name);

// The value as the file writes it, or nullopt when text is not one of the
// setting's values. forCommandLine: booleans also take on and off.
std::optional<QString> normalSetting(const SettingRow& row, const QString& text, bool forCommandLine = false);

class Settings : public QObject {
    Q_OBJECT
public:
    static Settings& instance();

    // Reads the user's file (see above); notes go to standard error.
    // Without a call (the tests) every setting has its default.
    void load();
    // The file: XDG_CONFIG_HOME (or ~/.config) + /qelplayer/settings.ini.
    static QString filePath();

    // --set NAME=VALUE: false, with why, for an unknown name or a bad value.
    bool setForRun(const QString& assignment, QString* why);
    // Keeps changes in memory only (a replay's are not the user's), all but
    // the chooser's last folder.
    void setStoring(bool storing) { storing_ = storing; }

    QString text(const char* name) const;
    bool flag(const char* name) const;
    int number(const char* name) const;
    // Changes a setting (ignored when the value is not valid) and stores it,
    // unless it was set for this run only, in which case the change lasts
    // for the run.
    void set(const char* name, const QString& value);
    void setFlag(const char* name, bool on) { set(name, on ? QStringLiteral("true") : QStringLiteral("false")); }
    void setNumber(const char* name, int n) { set(name, QString::number(n)); }

    // Back to the defaults, nothing stored (for the tests).
    void reset();

signals:
    void changed(const QString& name);

private:
    Settings() = default;
    void writeFile() const;              // the stored values, replacing the file
    std::map<QString, QString> values_;  // valid values, by name
    std::map<QString, QString> forRun_;  // --set, by name
    bool storing_ = false;
};

}  // namespace qel
