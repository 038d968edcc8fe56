#include "engine/Script.h"

#include "engine/Cp932.h"

namespace qel {

std::string GetField(int n, const std::string& line) {
    if (n > 0 && line.find(',') == std::string::npos) return {};
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        std::size_t comma = line.find(',', start);
        if (comma == std::string::npos) break;  // nothing left to delete
        start = comma + 1;
    }
    std::size_t comma = line.find(',', start);
    if (comma != std::string::npos) return line.substr(start, comma - start);
    return line.substr(start, 255);
}

std::int32_t StrToInt(const std::string& text) {
    // Leading blanks and a sign are accepted, as the original's conversion did;
    // anything else, trailing blanks and out-of-range values included, fails.
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size()) throw notIntegerError(text);
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') throw notIntegerError(text);
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) throw notIntegerError(text);
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) throw notIntegerError(text);
    return std::int32_t(value);
}

void FindLabel(Game& g, const std::string& name) {
    int i = g.st.ScriptLines.findFolded(foldCase("." + name));
    g.st.TargetLine = i < 0 ? -1 : i + 1;
}

std::string ExpandPlaceholders(const GameState&, const std::string& line) { return line; }
void RunScript(Game&, std::int32_t) {}
std::int32_t ExecuteCommand(Game&, const std::string&, std::int32_t index) { return index; }
void FormActivate(Game&) {}

} // namespace qel
