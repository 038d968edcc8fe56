#include "app/Transcript.h"

#include <QDir>
#include <QImage>
#include <cstdio>
#include <stdexcept>

namespace qel {

std::unique_ptr<QFile> openForWriting(const QString& name) {
    auto f = std::make_unique<QFile>();
    bool ok = name == QLatin1String("-") ? f->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
                                         : (f->setFileName(name), f->open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (!ok) throw std::runtime_error("cannot write " + name.toStdString() + ": " + f->errorString().toStdString());
    return f;
}

Transcript::Transcript(const QString& name) {
    if (!name.isEmpty()) file_ = openForWriting(name);
}

int Transcript::line(const std::string& utf8) {
    ++lines_;
    if (file_ && !closed_) {
        file_->write(utf8.data(), qint64(utf8.size()));
        file_->write("\n", 1);
        file_->flush();
    }
    return lines_;
}

void Transcript::close() {
    if (closed_) return;
    line("end");
    closed_ = true;
    if (file_) file_->flush();
}

Screenshots::Screenshots(const QString& folder) : folder_(folder) {
    if (!folder_.isEmpty() && !QDir().mkpath(folder_))
        throw std::runtime_error("cannot create " + folder_.toStdString());
}

void Screenshots::take(int lineNo, const QImage& picture) const {
    if (folder_.isEmpty() || picture.isNull()) return;
    picture.save(QStringLiteral("%1/%2.png").arg(folder_).arg(lineNo, 4, 10, QLatin1Char('0')), "PNG");
}

}  // namespace qel
