#include "shell/GameFlow.h"

#include "script/Script.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "scene/Scene.h"
#include "shell/SaveFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace qel {

namespace {

// Asks whether to save, and whether to overwrite an existing save, with boxes
// of the given kinds; writes the save when the player agrees. The overwrite
// question is skipped only by an explicit No.
void askAndSave(Game& g, BoxKind saveKind, BoxKind overwriteKind) {
    if (g.host.messageBox(saveKind, sj("ゲームの進行を記録しますか？")) != BoxAnswer::Yes) return;
    if (SaveFileExists() &&
        g.host.messageBox(overwriteKind, sj("すでにセーブされたＤＡＴＡがあります。上書きしますか？")) == BoxAnswer::No)
        return;
    WriteSaveFile(g.st);
}

// A path's folder part (with its trailing separator) and file-name part; both
// "/" and "\" separate folders.
qsizetype lastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}
QString fileNamePart(const QString& path) { return path.mid(lastSeparator(path) + 1); }
QString folderPart(const QString& path) { return path.left(lastSeparator(path) + 1); }

QString nativePath(QString path) {
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

bool isFileAsWritten(const QString& arg) {
    if (QFileInfo(nativePath(arg)).isFile()) return true;
    bool ok = true;
    const std::string bytes = encode(arg, &ok);
    return ok && fileExists(bytes);
}

}  // namespace

void PrepareGame(Game& g) {
    g.st.PendingStart = 1;
    g.st.ScriptLines.clear();
    g.history.clear();
    for (int i = 1; i <= kObjectCount; ++i) g.st.ObjectRects[i].Left = -1;
}

void LoadNewGame(Game& g, const std::string& startScene) {
    g.st.IntVars.fill(0);
    g.st.ScriptLines.assign(ReadSceneFile(startScene), startScene);
    g.st.SceneName = startScene;
    CheckDataVersion(g);
    ReadBackgroundLine(g);
    ReadObjectEntries(g);
    g.st.TargetLine = 0;
    g.host.sceneLoaded(g.st.SceneName);
}

void LoadSavedGame(Game& g, const std::string& startScene) {
    if (!SaveFileExists()) {
        // The main window is not shown yet: the caller shows it after the new
        // game has loaded, and its activation runs the start label.
        g.host.messageBox(BoxKind::Notice, sj("セーブＤＡＴＡが見当たりません"));
        LoadNewGame(g, startScene);
        return;
    }
    ReadSaveFile(g.st);
    g.st.ScriptLines.clear();
    g.st.ScriptLines.assign(ReadSceneFile(g.st.SceneName), g.st.SceneName);
    // Here the version is checked after the bitmap has been read.
    ReadBackgroundLine(g, [&g] { CheckDataVersion(g); });
    ReadObjectEntries(g);
    g.st.TargetLine = 0;
    g.host.sceneLoaded(g.st.SceneName);
}

void ExitClick(Game& g) {
    g.host.hideMessageWindow();
    if (g.host.messageBox(BoxKind::Confirm, sj("ゲームを終了しますか？")) != BoxAnswer::Yes) return;
    askAndSave(g, BoxKind::Confirm, BoxKind::Warning);
    g.host.quitProgram();
}

void TopMenuClick(Game& g) {
    askAndSave(g, BoxKind::Information, BoxKind::Information);
    g.host.closeMainWindow();
}

StartupPlan PlanStartup(const std::optional<QString>& firstArg) {
    StartupPlan plan;
    if (!firstArg || firstArg->isEmpty()) return plan;
    const QString& arg = *firstArg;

    // A scenario folder: play its opening scene.
    if (QFileInfo(nativePath(arg)).isDir()) {
        plan.folder = arg;
        return plan;
    }
    if (!isFileAsWritten(arg)) return plan;

    const QString name = fileNamePart(arg);
    const std::string nameBytes = encode(name);
    plan.message = sj("シーン　") + nameBytes + sj("から始めます。");
    // A file of that name in the current folder wins over the argument's folder.
    if (!fileExists(nameBytes) && !folderPart(arg).isEmpty()) plan.folder = folderPart(arg);
    plan.startScene = nameBytes;
    return plan;
}

void ChangeFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(nativePath(folder));
    if (::chdir(path.constData()) != 0) throw ioErrorFromErrno(errno);
}

void ApplyStartup(const StartupPlan& plan, std::string& startScene,
                  const std::function<void(const std::string&)>& showMessage) {
    startScene = kDefaultStartScene;
    if (plan.message && showMessage) showMessage(*plan.message);
    if (plan.folder) ChangeFolder(*plan.folder);
    startScene = plan.startScene;
}

QString MainWindowCaption(const std::optional<QString>& firstArg) {
    if (!firstArg || firstArg->isEmpty()) return QStringLiteral("QEL Player Ver. 1.24");
    QString name = fileNamePart(*firstArg);
    if (name.isEmpty()) {
        // A folder written with its trailing separator: its own name.
        QString trimmed = *firstArg;
        while (!trimmed.isEmpty() && lastSeparator(trimmed) == trimmed.size() - 1) trimmed.chop(1);
        name = fileNamePart(trimmed);
    }
    return name;
}

}  // namespace qel
