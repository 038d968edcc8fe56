#pragma once
// Which text lines of a scenario the player has been shown: one bit per line
// of each scene file, kept in the user's data folder beside the scenario's
// saves (never in QELP.INI), so that skipping can stop at text not read yet.
//
// The file is small (10,000 lines take about 1.3 KB) and replaced whole, by
// a rename, whenever a page with new text waits: a crash leaves the last
// complete file. A file that does not read as one (a foreign or broken one)
// counts as an empty memory and is replaced at the next save.
#include <QString>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qel {

class ReadMemory {
public:
    static ReadMemory& instance();

    // Reads the file (the memory of one scenario). Until a file is opened
    // nothing is remembered and every line counts as read.
    void open(const QString& path);
    void close();
    bool isOpen() const { return !path_.isEmpty(); }

    // Line (counting from 1) of the scene file scene (CP932) is shown; true
    // when it had never been shown before.
    bool markShown(const std::string& scene, std::int64_t line);
    bool wasShown(const std::string& scene, std::int64_t line) const;
    // Writes the file when something new was shown since the last save.
    void save();

    // The file's bytes, and back (false for bytes that are not a memory).
    QByteArray toBytes() const;
    bool fromBytes(const QByteArray& bytes);

private:
    ReadMemory() = default;
    QString path_;
    std::map<std::string, std::vector<bool>> shown_;  // by scene file, folded to lower case
    bool dirty_ = false;
};

}  // namespace qel
