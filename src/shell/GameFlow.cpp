#include "shell/GameFlow.h"

#include "engine/Script.h"
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
#include <cstdlib>
#include <unistd.h>

namespace qel {

namespace {

// Asks whether to save, and whether to overwrite an existing save, with boxes
// of the given kinds; writes the save when the player agrees. The overwrite
// question is skipped only by an explicit No.
void askAndSave(Game& g, BoxKind saveKind, BoxKind overwriteKind) {
    if (g.host.messageBox(saveKind, sj("ゲームの進行を記録しますか？")) != BoxAnswer::Yes) return;
    if (SaveFileExists() &&
        g.host.messageBox(overwriteKind, sj("すでにセーブされたＤＡＴＡがあります。上書きしますか？")) ==
            BoxAnswer::No)
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

} // namespace

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

int HitTest(const GameState& st, int x, int y) {
    for (int n = 1; n <= kObjectCount; ++n) {
        const ObjectRect& r = st.ObjectRects[n];
        if (r.Left != -1 && r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom) return n;
    }
    return 0;
}

bool HasVerbs(const GameState& st, int object) {
    const ObjectWordList& w = st.ObjectWords[object];
    for (int j = 2; j <= 6; ++j)
        if (!w[j].empty()) return true;
    return false;
}

QPoint ClampVerbPosition(int x, int y) {
    if (x > 445) x = 445;
    if (y > 260) y = 260;
    if (x < 5) x = 1;
    if (y < 5) y = 1;
    return {x, y};
}

std::optional<QPoint> PointSelecting(const GameState& st, int object, QSize picture) {
    if (object < 1 || object > kObjectCount) return std::nullopt;
    const ObjectRect& r = st.ObjectRects[object];
    if (r.Left == -1) return std::nullopt;
    // The object's part inside the picture; 64-bit so that bounds near the
    // ends of the 32-bit range cannot overflow below.
    const std::int64_t x0 = std::max<std::int64_t>(r.Left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(r.Right, picture.width() - 1);
    const std::int64_t y0 = std::max<std::int64_t>(r.Top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(r.Bottom, picture.height() - 1);
    if (x0 > x1 || y0 > y1) return std::nullopt;
    // Every stretch of the object that the lower-numbered objects leave free
    // starts or ends at one of the object's own edges or next to an edge of
    // theirs, so these columns and rows reach every free stretch.
    std::vector<std::int64_t> xs{x0, x1, (x0 + x1) / 2};
    std::vector<std::int64_t> ys{y0, y1, (y0 + y1) / 2};
    for (int m = 1; m < object; ++m) {
        const ObjectRect& o = st.ObjectRects[m];
        if (o.Left == -1) continue;
        for (std::int64_t x : {std::int64_t(o.Left) - 1, std::int64_t(o.Right) + 1})
            if (x0 <= x && x <= x1) xs.push_back(x);
        for (std::int64_t y : {std::int64_t(o.Top) - 1, std::int64_t(o.Bottom) + 1})
            if (y0 <= y && y <= y1) ys.push_back(y);
    }
    const std::int64_t cx2 = x0 + x1;  // twice the middle, to stay in whole numbers
    const std::int64_t cy2 = y0 + y1;
    std::optional<QPoint> best;
    std::int64_t bestDistance = 0;
    for (std::int64_t x : xs) {
        for (std::int64_t y : ys) {
            if (HitTest(st, int(x), int(y)) != object) continue;
            const std::int64_t dx = 2 * x - cx2;
            const std::int64_t dy = 2 * y - cy2;
            const std::int64_t d = dx * dx + dy * dy;
            if (!best || d < bestDistance) {
                best = QPoint(int(x), int(y));
                bestDistance = d;
            }
        }
    }
    return best;
}

std::vector<int> ReachableObjects(const GameState& st, QSize picture) {
    std::vector<int> out;
    for (int n = 1; n <= kObjectCount; ++n)
        if (PointSelecting(st, n, picture)) out.push_back(n);
    return out;
}

int StepHighlight(const std::vector<int>& reachable, int current, bool forward) {
    if (reachable.empty()) return 0;
    if (forward) {
        for (int n : reachable)
            if (n > current) return n;
        return reachable.front();
    }
    for (auto it = reachable.rbegin(); it != reachable.rend(); ++it)
        if (current == 0 || *it < current) return *it;
    return reachable.back();
}

int StepHighlightToward(const GameState& st, QSize picture, int current, int dx, int dy) {
    const std::vector<int> reachable = ReachableObjects(st, picture);
    if (reachable.empty()) return 0;
    const std::optional<QPoint> from = PointSelecting(st, current, picture);
    if (!from) return reachable.front();
    int best = current;
    std::int64_t bestScore = INT64_MAX;
    for (int n : reachable) {
        const QPoint to = *PointSelecting(st, n, picture);
        const std::int64_t along = std::int64_t(to.x() - from->x()) * dx + std::int64_t(to.y() - from->y()) * dy;
        const std::int64_t across = std::abs(std::int64_t(to.x() - from->x()) * dy + std::int64_t(to.y() - from->y()) * dx);
        if (n == current || along <= 0) continue;
        const std::int64_t score = along + 2 * across;
        if (score < bestScore) {
            bestScore = score;
            best = n;
        }
    }
    return best;
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

} // namespace qel
