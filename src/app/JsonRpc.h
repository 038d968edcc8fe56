#pragma once
// Messages framed as the language server and debug adapter protocols frame
// them: a "Content-Length: N" header, a blank line, then N bytes of JSON.
// Both servers read their client on standard input and answer on standard
// output through one JsonChannel.
#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QSocketNotifier>
#include <cstdio>
#include <optional>

namespace qel {

// Takes the first whole message off the front of buffer. Nothing while the
// message is incomplete; *bad is set (and the buffer emptied) when the header
// cannot be read or the body is no JSON object.
std::optional<QJsonObject> takeMessage(QByteArray& buffer, bool* bad);
// One message with its header.
QByteArray frameMessage(const QJsonObject& message);

class JsonChannel : public QObject {
    Q_OBJECT
public:
    // Reads file descriptor `in` whenever it has data (in the event loop,
    // nested ones included) and writes to `out`.
    JsonChannel(int in, std::FILE* out);
    void send(const QJsonObject& message);

signals:
    void received(const QJsonObject& message);
    // The input ended or could not be framed.
    void closed();

private:
    void readAvailable();

    int in_;
    std::FILE* out_;
    QByteArray buffer_;
    QSocketNotifier notifier_;
};

}  // namespace qel
