#include "engine/TextHistory.h"

namespace qel {

void TextHistory::addLine(const std::string& cp932Line) {
    lines_.push_back(HistoryLine{cp932Line, pageEnded_});
    pageEnded_ = false;
    if (lines_.size() > kMaxLines) {
        // The oldest line goes; what is left of its page still reads as a page.
        lines_.pop_front();
        lines_.front().startsPage = true;
    }
}

void TextHistory::clear() {
    lines_.clear();
    pageEnded_ = true;
}

}  // namespace qel
