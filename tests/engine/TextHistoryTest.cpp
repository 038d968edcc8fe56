// The text history: pages, the line limit, emptying.
#include "engine/TextHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace qel;

namespace {
std::vector<std::pair<std::string, bool>> contents(const TextHistory& h) {
    std::vector<std::pair<std::string, bool>> out;
    for (std::size_t i = 0; i < h.size(); ++i) out.emplace_back(h[i].text, h[i].startsPage);
    return out;
}
}  // namespace

TEST(TextHistory, KeepsLinesPageByPage) {
    TextHistory h;
    h.addLine("a");
    h.addLine("");
    h.endPage();
    h.endPage();  // an empty page leaves no trace
    h.addLine("b");
    EXPECT_EQ(contents(h), (std::vector<std::pair<std::string, bool>>{{"a", true}, {"", false}, {"b", true}}));
    h.clear();
    EXPECT_TRUE(h.empty());
    h.addLine("c");
    EXPECT_EQ(contents(h), (std::vector<std::pair<std::string, bool>>{{"c", true}}));
}

TEST(TextHistory, KeepsTheNewestLinesAndTheRestOfACutPage) {
    TextHistory h;
    const std::size_t n = TextHistory::kMaxLines;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 4 == 0) h.endPage();
        h.addLine(std::to_string(i));
    }
    h.addLine("new");  // line n, still on the last page
    ASSERT_EQ(h.size(), n);
    EXPECT_EQ(h[0].text, "1");
    EXPECT_TRUE(h[0].startsPage);  // what is left of the first page
    EXPECT_FALSE(h[1].startsPage);
    EXPECT_TRUE(h[3].startsPage);  // line 4 began the second page
    EXPECT_EQ(h[n - 1].text, "new");
}
