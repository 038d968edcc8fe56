#pragma once
// --watch: the current scene reloads by itself when its file changes on disk.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace qel {

class TFormMein;

class SceneWatcher : public QObject {
    Q_OBJECT
public:
    // Watches the scene files of the current folder (the scenario folder).
    explicit SceneWatcher(TFormMein& main);

private:
    void watchSceneFiles();
    void fileChanged(const QString& path);

    TFormMein& main_;
    QFileSystemWatcher watcher_;
    QTimer settle_;  // an editor's save may touch the file several times
    QString changed_;
};

}  // namespace qel
