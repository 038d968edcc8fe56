#pragma once
// The text the message window has shown since the game began, page by page,
// for the player to read again. It keeps the newest kMaxLines lines; it lives
// only as long as the running game and is never saved.
#include <cstddef>
#include <deque>
#include <string>

namespace qel {

struct HistoryLine {
    std::string text;         // CP932, as the message window showed it
    bool startsPage = false;  // the first line of a page
};

class TextHistory {
public:
    static constexpr std::size_t kMaxLines = 10'000;

    // A line the message window shows. It opens a new page when the page
    // before it has ended.
    void addLine(const std::string& cp932Line);
    // The page shown so far is over (a page wait ended, the text was emptied):
    // the next line starts a new page.
    void endPage() { pageEnded_ = true; }
    // Forgets everything: a new game or a continue begins.
    void clear();

    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    const HistoryLine& operator[](std::size_t i) const { return lines_[i]; }

private:
    std::deque<HistoryLine> lines_;
    bool pageEnded_ = true;
};

}  // namespace qel
