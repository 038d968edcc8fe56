#include "app/SceneWatcher.h"

#include "platform/Cp932.h"
#include "shell/FormMein.h"

#include <QDir>
#include <QFileInfo>

namespace qel {

namespace {
constexpr int kSettleMs = 150;
}  // namespace

SceneWatcher::SceneWatcher(TFormMein& main) : main_(main) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        const QString scene = decode(main_.game().st.SceneName);
        if (!scene.isEmpty() && QFileInfo(changed_).fileName().compare(scene, Qt::CaseInsensitive) == 0)
            main_.reloadScene();
    });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &SceneWatcher::fileChanged);
    // A file saved by writing a new one and renaming it is a new file.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &SceneWatcher::watchSceneFiles);
    watcher_.addPath(QDir::currentPath());
    watchSceneFiles();
}

void SceneWatcher::watchSceneFiles() {
    const QDir folder(QDir::currentPath());
    QStringList files;
    for (const QString& f : folder.entryList({QStringLiteral("*.dat")}, QDir::Files))
        if (!watcher_.files().contains(folder.filePath(f))) files << folder.filePath(f);
    if (!files.isEmpty()) watcher_.addPaths(files);
}

void SceneWatcher::fileChanged(const QString& path) {
    if (QFileInfo::exists(path) && !watcher_.files().contains(path)) watcher_.addPath(path);
    changed_ = path;
    settle_.start();
}

}  // namespace qel
