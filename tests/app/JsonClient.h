#pragma once
// A scripted client of `qelplayer --lsp` or `--dap`: starts the program,
// sends framed JSON messages and waits for the answers it expects.
#include "app/JsonRpc.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace qel::test {

class JsonClient {
public:
    explicit JsonClient(const QStringList& args, const QString& folder) {
        process_.setWorkingDirectory(folder);
        process_.start(QStringLiteral(QEL_PLAYER_BIN), args);
        EXPECT_TRUE(process_.waitForStarted());
    }
    ~JsonClient() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    void send(const QJsonObject& m) { process_.write(frameMessage(m)); }
    // The first message that matches, skipping the others; empty after 10 s.
    QJsonObject waitFor(const std::function<bool(const QJsonObject&)>& wanted) {
        for (;;) {
            for (std::size_t i = 0; i < inbox_.size(); ++i)
                if (wanted(inbox_[i])) {
                    QJsonObject m = inbox_[i];
                    inbox_.erase(inbox_.begin() + std::ptrdiff_t(i));
                    return m;
                }
            bool bad = false;
            if (auto m = takeMessage(buffer_, &bad)) {
                inbox_.push_back(*m);
                continue;
            }
            if (bad || !process_.waitForReadyRead(10000)) return {};
            buffer_ += process_.readAllStandardOutput();
        }
    }
    // The answer to request id.
    QJsonObject reply(int id) {
        return waitFor([id](const QJsonObject& m) { return m.value("id").toInt(-1) == id && !m.contains("method"); });
    }
    int finish() {
        process_.closeWriteChannel();
        EXPECT_TRUE(process_.waitForFinished(10000));
        return process_.exitCode();
    }
    static QString compact(const QJsonValue& v) {
        return QString::fromUtf8(
            QJsonDocument(v.isObject() ? v.toObject() : QJsonObject{{"v", v}}).toJson(QJsonDocument::Compact));
    }

private:
    QProcess process_;
    QByteArray buffer_;
    std::vector<QJsonObject> inbox_;
};

}  // namespace qel::test
