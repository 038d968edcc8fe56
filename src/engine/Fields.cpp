#include "engine/Fields.h"

#include "platform/Cp932.h"

namespace qel {

std::string_view fieldView(int n, std::string_view line) {
    if (n > 0 && line.find(',') == std::string_view::npos) return {};
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) break;  // nothing left to delete
        start = comma + 1;
    }
    std::size_t comma = line.find(',', start);
    if (comma != std::string_view::npos) return line.substr(start, comma - start);
    return line.substr(start, 255);
}

std::string GetField(int n, std::string_view line) { return std::string(fieldView(n, line)); }

std::int32_t StrToInt(std::string_view text) {
    // Leading blanks and a sign are accepted (scenarios write operands such as
    // ".FS, 3, 1"); anything else, trailing blanks and out-of-range values included, fails.
    auto fail = [&text] { return notIntegerError(std::string(text)); };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size()) throw fail();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') throw fail();
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) throw fail();
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) throw fail();
    return std::int32_t(value);
}

void FindLabel(Game& g, std::string_view name) {
    std::string label(".");
    label += name;
    int i = g.st.ScriptLines.findFolded(foldCase(label));
    g.st.TargetLine = i < 0 ? -1 : i + 1;
}

}  // namespace qel
