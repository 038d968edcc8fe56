#include "app/Recorder.h"

#include "app/ReplayVocabulary.h"
#include "app/Transcript.h"

namespace qel {

Recorder::Recorder(const QString& name) {
    if (!name.isEmpty()) file_ = openForWriting(name);
}

void Recorder::record(ReplayWord word, const std::string& arguments) {
    if (!file_) return;
    const std::string line = replayLine(word, arguments) + "\n";
    file_->write(line.data(), qint64(line.size()));
    file_->flush();
}

void Recorder::flush() {
    if (file_) file_->flush();
}

}  // namespace qel
