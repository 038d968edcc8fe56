#include "app/ScenarioChoice.h"

#include "platform/Settings.h"

#include "platform/ArchiveUnpack.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "platform/PlayerEvents.h"
#include "platform/Waits.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace qel {

namespace {

QString nativePath(QString path) {
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

bool isSceneFileName(const QString& path) { return path.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive); }

}  // namespace

ScenarioArgument ResolveScenarioArgument(const std::optional<QString>& firstArg, const QString& cacheRoot) {
    ScenarioArgument out;
    out.arg = firstArg;
    if (!firstArg || firstArg->isEmpty()) return out;
    const QString path = nativePath(*firstArg);
    const QFileInfo info(path);

    // A pipe, a device (a link to /dev/zero, say) or a socket is no scenario,
    // whatever its name: refused before any window opens.
    if (info.exists() && !info.isDir() && !info.isFile()) {
        out.error = QString::fromUtf8("%1 は普通のファイルでもフォルダでもありません").arg(shown(*firstArg));
        return out;
    }
    if (info.isDir()) {
        if (!HasOpeningScene(path))
            out.error = QString::fromUtf8("フォルダ %1 に Opning.dat がありません").arg(shown(*firstArg));
        return out;
    }
    if (info.isFile() && IsArchiveName(path)) {
        try {
            UnpackedArchive u = UnpackArchive(path, cacheRoot);
            if (u.scenarioFolder.isEmpty()) {
                out.error = QString::fromUtf8("アーカイブ %1 に Opning.dat がありません").arg(shown(*firstArg));
                return out;
            }
            out.arg = u.scenarioFolder;
            // Saves are named after the scenario's folder in the archive, or
            // after the archive when the scenario lies at its top.
            const QString name = u.scenarioFolder == u.folder ? info.completeBaseName()
                                                              : QFileInfo(u.scenarioFolder).fileName();
            out.archive = ArchiveOrigin{name, u.contentHash};
        } catch (const GameError& e) {
            out.error = decode(e.text());
        }
        return out;
    }
    if (info.exists() || isSceneFileName(path)) return out;
    // A file the player's own lookup finds (letter case ignored) plays as always.
    bool ok = true;
    const std::string bytes = encode(*firstArg, &ok);
    if (ok && fileExists(bytes)) return out;
    out.error = QString::fromUtf8("%1 が見つかりません").arg(shown(*firstArg));
    return out;
}

bool NeedsChooser(const std::optional<QString>& firstArg) {
    return (!firstArg || firstArg->isEmpty()) && !fileExists("Opning.dat");
}

QString InstalledDemoFolder() {
    // Beside the program's own installation first, so that a staged or
    // relocated installation finds its own copy.
    const QStringList candidates = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/qelplayer/demo"),
#ifdef QEL_DATA_DIR
        QStringLiteral(QEL_DATA_DIR "/demo"),
#endif
#ifdef QEL_SOURCE_DEMO_DIR
        // Run from the build folder of the source tree: the tree's own example.
        QStringLiteral(QEL_SOURCE_DEMO_DIR),
#endif
    };
    for (const QString& c : candidates)
        if (HasOpeningScene(c)) return QFileInfo(c).canonicalFilePath();
    return {};
}

QString ChooserStartFolder() {
    const QString last = Settings::instance().text("last-folder");
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString demo = InstalledDemoFolder();
    if (!demo.isEmpty()) return demo;
    return QDir::homePath();
}

std::optional<QString> ChooseScenario(const QString& startFolder) {
    QFileDialog dialog(nullptr, QString::fromUtf8("遊ぶシナリオを選んでください"), startFolder);
    // Qt's own dialog: the same on every desktop, and one that replays can drive.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QString::fromUtf8("シナリオ (Opning.dat *.lzh *.lha *.zip *.7z)"), QString::fromUtf8("すべてのファイル (*)")});
    QObject::connect(&WaitHub::instance(), &WaitHub::quitRequested, &dialog, &QDialog::reject);
    {
        WaitReport report(Turn::Chooser, &dialog, encode(startFolder));
        try {
            execModal(dialog);
        } catch (const RunAbandoned&) {
            return std::nullopt;
        }
    }
    const QStringList files = dialog.selectedFiles();
    if (dialog.result() != QDialog::Accepted || files.isEmpty()) {
        playerEvents().action(ReplayWord::Cancel);
        return std::nullopt;
    }
    const QString chosen = files.front();
    playerEvents().action(ReplayWord::Choose, chosen.toStdString());
    Settings::instance().set("last-folder", QFileInfo(chosen).absolutePath());
    // An "Opning.dat" stands for its folder, which then plays from the start.
    if (QFileInfo(chosen).fileName().compare(QLatin1String("Opning.dat"), Qt::CaseInsensitive) == 0)
        return QFileInfo(chosen).absolutePath();
    return chosen;
}

}  // namespace qel
