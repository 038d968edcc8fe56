#pragma once
// `qelplayer --lsp`: a language server for scene files. It answers one
// editor over the Language Server Protocol: the checker's problems as
// diagnostics while the author types, definitions and references of labels,
// scenes and files, hover texts from the command table, completion and the
// outline of a scene. It needs no display.
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <functional>

namespace qel {

class LanguageServer : public QObject {
    Q_OBJECT
public:
    using Sender = std::function<void(const QJsonObject&)>;
    explicit LanguageServer(Sender send);

    void handle(const QJsonObject& message);
    // Checks the documents changed since the last check now, without waiting
    // for the typing pause.
    void publishPending();

    bool exited() const { return exited_; }
    int exitStatus() const { return shutdown_ ? 0 : 1; }

signals:
    void exitRequested();

private:
    QJsonValue answer(const QString& method, const QJsonObject& params);
    void changed(const QString& uri, const QString& text);
    void publish(const QString& uri);

    Sender send_;
    QHash<QString, QString> documents_;          // uri -> text as the editor has it
    QHash<QString, QSet<QString>> publishedBy_;  // checked uri -> uris given problems
    QSet<QString> pending_;
    QTimer debounce_;
    bool shutdown_ = false;
    bool exited_ = false;
};

// Serves standard input and output until the client says exit; the exit status.
int RunLanguageServer();

}  // namespace qel
