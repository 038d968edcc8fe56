// The scenario walk: the start scene, the scenes its JS lines reach, then every
// other scene file of the folder, each read once and checked by SceneChecker.
#include "app/ScenarioCheck.h"

#include "app/SceneChecker.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "platform/ShownText.h"
#include "scene/Scene.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <set>

namespace qel {

using check::FileVerdicts;
using check::playerText;
using check::SceneChecker;

namespace {

// Restores the current folder when the check is over.
class FolderGuard {
public:
    explicit FolderGuard(const QString& folder) : previous_(QDir::currentPath()) { ok_ = QDir::setCurrent(folder); }
    ~FolderGuard() { QDir::setCurrent(previous_); }
    bool ok() const { return ok_; }

private:
    QString previous_;
    bool ok_ = false;
};

std::optional<std::vector<std::string>> readLines(const QString& path, const CheckOptions& options) {
    if (auto given = options.texts.find(QFileInfo(path).absoluteFilePath()); given != options.texts.end())
        return SplitSceneLines(given->second);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return std::nullopt;
    return SplitSceneLines(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace

QString CheckIssue::text() const {
    return QStringLiteral("%1:%2: %3: %4")
        .arg(file)
        .arg(line)
        .arg(error ? QLatin1String("error") : QLatin1String("warning"), message);
}

int CheckReport::errors() const {
    return int(std::count_if(issues.begin(), issues.end(), [](const CheckIssue& i) { return i.error; }));
}

int CheckReport::warnings() const { return int(issues.size()) - errors(); }

std::optional<CheckReport> CheckScenario(const QString& target, QString* failure, const CheckOptions& options) {
    auto fail = [&](const QString& why) -> std::optional<CheckReport> {
        if (failure) *failure = why;
        return std::nullopt;
    };
    const QString given = target.isEmpty() ? QDir::currentPath() : target;
    const QFileInfo info(given);
    QString folder = given, startFile;
    if (info.isFile()) {
        folder = info.absolutePath();
        startFile = info.fileName();
    } else if (!info.isDir()) {
        return fail(QStringLiteral("cannot find %1").arg(given));
    }
    FolderGuard inFolder(folder);
    if (!inFolder.ok() || !QDir(QStringLiteral(".")).isReadable())
        return fail(QStringLiteral("cannot read the folder %1").arg(folder));
    if (startFile.isEmpty()) {
        auto found = findFile("Opning.dat");
        if (!found) return fail(QStringLiteral("no Opning.dat in %1").arg(folder));
        startFile = *found;
    }

    CheckReport report;
    FileVerdicts files;
    std::vector<QString> queue{startFile};
    std::set<QString> seen{QFileInfo(startFile).canonicalFilePath()};
    auto checkFile = [&](const QString& path, bool start) -> bool {
        const QString name = QFileInfo(path).fileName();
        auto lines = readLines(path, options);
        if (!lines) {
            if (start) return false;
            report.issues.push_back({name, 1, true, playerText(cannotOpenError(encode(name)))});
            return true;
        }
        std::vector<CheckIssue> issues;
        SceneChecker scene(name, std::move(*lines), issues, files);
        scene.run();
        std::stable_sort(issues.begin(), issues.end(),
                         [](const CheckIssue& a, const CheckIssue& b) { return a.line < b.line; });
        report.issues.insert(report.issues.end(), issues.begin(), issues.end());
        for (const std::string& s : scene.scenes())
            if (auto p = findFile(s + ".dat"); p && seen.insert(QFileInfo(*p).canonicalFilePath()).second)
                queue.push_back(*p);
        return true;
    };

    // The start scene, the scenes JS reaches from it, then every other scene file.
    for (std::size_t q = 0; q < queue.size(); ++q)
        if (!checkFile(queue[q], q == 0)) return fail(QStringLiteral("cannot read %1").arg(queue[q]));
    const QStringList others =
        QDir(QStringLiteral(".")).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (options.reachedOnly) return report;
    for (const QString& f : others)
        if (seen.insert(QFileInfo(f).canonicalFilePath()).second) checkFile(f, false);
    return report;
}

int RunScenarioCheck(const QString& target, std::FILE* out, std::FILE* err) {
    QString failure;
    auto report = CheckScenario(target, &failure);
    if (!report) {
        writeTerminal(err, QStringLiteral("qelplayer: %1\n").arg(failure));
        return 2;
    }
    for (const CheckIssue& i : report->issues) writeTerminal(out, i.text() + QLatin1Char('\n'));
    writeTerminal(out, QStringLiteral("%1 errors, %2 warnings\n").arg(report->errors()).arg(report->warnings()));
    return report->errors() > 0 ? 1 : 0;
}

}  // namespace qel
