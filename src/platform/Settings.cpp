#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

namespace qel {

namespace {

// The longest text value kept (a folder's path).
constexpr int kMaxTextLength = 4096;

const QString kNotice = QStringLiteral("qelplayer: %1 is larger than 1 MB and is ignored; the defaults are used\n");

QString configRoot() {
    QString root = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (root.isEmpty() || !QDir::isAbsolutePath(root)) root = QDir::homePath() + QStringLiteral("/.config");
    return root + QStringLiteral("/qelplayer");
}

// A settings file small enough to read; a larger one is named on stderr.
bool readable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return false;
    if (!info.isFile()) return false;  // a folder, a FIFO: never opened
    if (info.size() > kMaxSettingsBytes) {
        std::fputs(kNotice.arg(QDir::toNativeSeparators(path)).toLocal8Bit().constData(), stderr);
        return false;
    }
    return true;
}

QString key(const SettingRow& row) { return QString::fromLatin1(row.group) + '/' + QString::fromLatin1(row.name); }

}  // namespace

const std::vector<SettingRow>& settingRows() {
    using K = SettingKind;
    static const std::vector<SettingRow> rows = {
        {"scale", "display", K::Choice, "auto", 0, 0, "auto|1|2|3|4|5|6", "the game's size: 1 to 6 times, or auto"},
        {"fullscreen", "display", K::Boolean, "false", 0, 0, nullptr, "full screen"},
        {"windows", "display", K::Choice, "auto", 0, 0, "auto|one|separate",
         "the game in one window or each window of its own (--windows)"},
        {"gamepad", "input", K::Choice, "on", 0, 0, "on|off", "game controllers play too"},
        {"skip", "reading", K::Choice, "read", 0, 0, "read|all", "skipping stops at unread text (read) or not (all)"},
        {"auto", "reading", K::Boolean, "false", 0, 0, nullptr, "pages turn by themselves (key A)"},
        {"auto-base-ms", "reading", K::Number, "1500", 0, 60000, nullptr, "auto-forward: time a page stays up"},
        {"auto-char-ms", "reading", K::Number, "60", 0, 1000, nullptr, "auto-forward: and more per character"},
        {"copy-text", "reading", K::Boolean, "false", 0, 0, nullptr,
         "each page's text goes to the clipboard as it waits (for reading aids)"},
        {"music-volume", "sound", K::Number, "100", 0, 100, nullptr, "the music's volume, 0 to 100"},
        {"sound-volume", "sound", K::Number, "100", 0, 100, nullptr, "the sounds' volume, 0 to 100"},
        {"mute", "sound", K::Boolean, "false", 0, 0, nullptr, "no music and no sound (key M)"},
        {"mute-minimized", "sound", K::Boolean, "true", 0, 0, nullptr, "silent while the game's window is minimised"},
        {"last-folder", "chooser", K::Text, "", 0, 0, nullptr, nullptr},
    };
    return rows;
}

const SettingRow* findSetting(const QString& name) {
    for (const SettingRow& row : settingRows())
        if (name == QLatin1String(row.name)) return &row;
    return nullptr;
}

std::optional<QString> normalSetting(const SettingRow& row, const QString& text, bool forCommandLine) {
    switch (row.kind) {
    case SettingKind::Boolean:
        if (text == QLatin1String("true") || text == QLatin1String("1") ||
            (forCommandLine && text == QLatin1String("on")))
            return QStringLiteral("true");
        if (text == QLatin1String("false") || text == QLatin1String("0") ||
            (forCommandLine && text == QLatin1String("off")))
            return QStringLiteral("false");
        return std::nullopt;
    case SettingKind::Number: {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || n < row.low || n > row.high) return std::nullopt;
        return QString::number(n);
    }
    case SettingKind::Choice:
        if (text.isEmpty() || !QString::fromLatin1(row.words).split('|').contains(text)) return std::nullopt;
        return text;
    case SettingKind::Text:
        if (text.size() > kMaxTextLength || text.contains('\n') || text.contains('\r')) return std::nullopt;
        return text;
    }
    return std::nullopt;
}

Settings& Settings::instance() {
    static Settings* settings = new Settings;  // lives as long as the program
    return *settings;
}

QString Settings::filePath() { return configRoot() + QStringLiteral("/settings.ini"); }

namespace {

// The file's lines: [section] and name=value, nothing else (a value is the
// rest of its line, as written). Read whole, so nothing of an earlier read
// is kept.
std::map<QString, QString> readFile(const QString& path) {
    std::map<QString, QString> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    QString section;
    for (const QByteArray& raw : f.read(kMaxSettingsBytes).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[') && line.endsWith(']')) section = line.mid(1, line.size() - 2).trimmed();
        else if (const qsizetype eq = line.indexOf('='); eq > 0 && !line.startsWith(';') && !line.startsWith('#'))
            out[section + '/' + line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    return out;
}

}  // namespace

void Settings::load() {
    storing_ = true;
    values_.clear();
    const QString path = filePath();
    auto take = [this](const SettingRow& row, const QVariant& v) {
        if (!v.isValid() || v.typeId() != QMetaType::QString) return false;  // a list is not a value
        if (auto value = normalSetting(row, v.toString())) {
            values_[QString::fromLatin1(row.name)] = *value;
            return true;
        }
        return false;
    };
    if (QFileInfo::exists(path)) {
        if (!readable(path)) return;
        const std::map<QString, QString> file = readFile(path);
        for (const SettingRow& row : settingRows())
            if (auto it = file.find(key(row)); it != file.end()) take(row, it->second);
        return;
    }
    // The earlier versions' files, written by QSettings, merged once.
    bool merged = false;
    const QString display = configRoot() + QStringLiteral("/qelplayer.conf");
    if (readable(display)) {
        QSettings file(display, QSettings::IniFormat);
        merged |= take(*findSetting(QStringLiteral("scale")), file.value(QStringLiteral("display/scale")));
        merged |= take(*findSetting(QStringLiteral("fullscreen")), file.value(QStringLiteral("display/fullscreen")));
        merged |= take(*findSetting(QStringLiteral("windows")), file.value(QStringLiteral("display/windows")));
        merged |= take(*findSetting(QStringLiteral("gamepad")), file.value(QStringLiteral("gamepad")));
    }
    const QString chooser = configRoot() + QStringLiteral("/qelplayer.ini");
    if (readable(chooser)) {
        QSettings file(chooser, QSettings::IniFormat);
        merged |= take(*findSetting(QStringLiteral("last-folder")), file.value(QStringLiteral("chooser/lastFolder")));
    }
    if (merged) writeFile();
}

bool Settings::setForRun(const QString& assignment, QString* why) {
    const qsizetype eq = assignment.indexOf('=');
    const QString name = assignment.left(eq);
    const SettingRow* row = eq > 0 ? findSetting(name) : nullptr;
    if (!row || row->kind == SettingKind::Text) {
        *why = QStringLiteral("unknown setting %1 (see --help)").arg(name);
        return false;
    }
    const auto value = normalSetting(*row, assignment.mid(eq + 1), true);
    if (!value) {
        *why = QStringLiteral("bad value for %1: %2").arg(name, assignment.mid(eq + 1));
        return false;
    }
    forRun_[name] = *value;
    emit changed(name);
    return true;
}

QString Settings::text(const char* name) const {
    const QString n = QString::fromLatin1(name);
    if (auto it = forRun_.find(n); it != forRun_.end()) return it->second;
    if (auto it = values_.find(n); it != values_.end()) return it->second;
    const SettingRow* row = findSetting(n);
    return row ? QString::fromLatin1(row->fallback) : QString();
}

bool Settings::flag(const char* name) const { return text(name) == QLatin1String("true"); }
int Settings::number(const char* name) const { return text(name).toInt(); }

void Settings::set(const char* name, const QString& value) {
    const QString n = QString::fromLatin1(name);
    const SettingRow* row = findSetting(n);
    if (!row) return;
    const auto normal = normalSetting(*row, value);
    if (!normal || text(name) == *normal) return;
    if (auto it = forRun_.find(n); it != forRun_.end()) {
        it->second = *normal;  // set for this run: the change too lasts for the run only
    } else {
        values_[n] = *normal;
        // The chooser's folder is remembered in replays too: it is where the
        // files are, not a choice of how to play.
        if (storing_ || row->kind == SettingKind::Text) writeFile();
    }
    emit changed(n);
}

void Settings::writeFile() const {
    const QString path = filePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return;
    QByteArray out;
    QString section;
    for (const SettingRow& row : settingRows()) {
        const auto it = values_.find(QString::fromLatin1(row.name));
        if (it == values_.end()) continue;
        if (section != QLatin1String(row.group)) {
            section = QString::fromLatin1(row.group);
            out += (out.isEmpty() ? "[" : "\n[") + section.toUtf8() + "]\n";
        }
        out += QByteArray(row.name) + '=' + it->second.toUtf8() + '\n';
    }
    // Whole or not at all: a crash leaves the old file.
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(out);
        f.commit();
    }
}

void Settings::reset() {
    values_.clear();
    forRun_.clear();
    storing_ = false;
}

}  // namespace qel
