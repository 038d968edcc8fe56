#include "app/JsonRpc.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>
#include <unistd.h>

namespace qel {

std::optional<QJsonObject> takeMessage(QByteArray& buffer, bool* bad) {
    *bad = false;
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (buffer.size() > 4096) {  // no header is that long
            *bad = true;
            buffer.clear();
        }
        return std::nullopt;
    }
    qsizetype length = -1;
    for (const QByteArray& field : buffer.left(end).split('\n')) {
        const QByteArray f = field.trimmed();
        const qsizetype colon = f.indexOf(':');
        if (colon > 0 && f.left(colon).trimmed().toLower() == "content-length") {
            bool ok = false;
            length = f.mid(colon + 1).trimmed().toLongLong(&ok);
            if (!ok || length < 0) length = -1;
        }
    }
    if (length < 0) {
        *bad = true;
        buffer.clear();
        return std::nullopt;
    }
    const qsizetype start = end + 4;
    if (buffer.size() - start < length) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(buffer.mid(start, length), &error);
    buffer.remove(0, start + length);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        *bad = true;
        return std::nullopt;
    }
    return doc.object();
}

QByteArray frameMessage(const QJsonObject& message) {
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    return "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

JsonChannel::JsonChannel(int in, std::FILE* out) : in_(in), out_(out), notifier_(in, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &JsonChannel::readAvailable);
}

void JsonChannel::send(const QJsonObject& message) {
    const QByteArray bytes = frameMessage(message);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out_);
    std::fflush(out_);
}

void JsonChannel::readAvailable() {
    char chunk[65536];
    const ssize_t n = ::read(in_, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        notifier_.setEnabled(false);
        emit closed();
        return;
    }
    buffer_.append(chunk, qsizetype(n));
    for (;;) {
        bool bad = false;
        std::optional<QJsonObject> message = takeMessage(buffer_, &bad);
        if (bad) {
            // A malformed message is dropped, and with a header that cannot
            // be read everything received so far.
            std::fputs("qelplayer: a message from the client could not be read\n", stderr);
            continue;
        }
        if (!message) return;
        emit received(*message);
    }
}

}  // namespace qel
