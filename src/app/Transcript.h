#pragma once
// The transcript of a session, one event a line, and the pictures taken at
// some of its lines.
#include <QFile>
#include <QString>
#include <memory>
#include <string>

class QImage;

namespace qel {

// Opens name for writing ("-": standard output); throws std::runtime_error
// with a message on failure.
std::unique_ptr<QFile> openForWriting(const QString& name);

class Transcript {
public:
    // An empty name counts the lines but writes none.
    explicit Transcript(const QString& name);
    // Writes a line (UTF-8) unless closed; returns its number, from 1.
    int line(const std::string& utf8);
    // Writes the closing line "end"; later lines are counted, not written.
    void close();
    bool closed() const { return closed_; }

private:
    std::unique_ptr<QFile> file_;
    int lines_ = 0;
    bool closed_ = false;
};

// Saves pictures as DIR/NNNN.png, NNNN being a transcript line's number.
class Screenshots {
public:
    // An empty folder takes no pictures; throws std::runtime_error when the
    // folder cannot be made.
    explicit Screenshots(const QString& folder);
    bool taking() const { return !folder_.isEmpty(); }
    void take(int lineNo, const QImage& picture) const;

private:
    QString folder_;
};

}  // namespace qel
