#pragma once
// --record: the actions a person takes, written as a replay file.
#include "platform/PlayerEvents.h"

#include <QFile>
#include <QString>
#include <memory>
#include <string>

namespace qel {

class Recorder {
public:
    // An empty name records nothing; throws std::runtime_error when the file
    // cannot be written.
    explicit Recorder(const QString& name);
    // Writes the line that replays the action.
    void record(ReplayWord word, const std::string& arguments);
    void flush();

private:
    std::unique_ptr<QFile> file_;
};

}  // namespace qel
