#include "engine/Script.h"

#include "engine/Commands.h"
#include "engine/Trace.h"
#include "platform/Cp932.h"
#include "platform/Waits.h"

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

namespace {

// Delphi-style Trim: blanks and control characters at both ends.
std::string trimControls(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

}  // namespace

std::string ExpandPlaceholders(const GameState& st, const std::string& input) {
    std::string line = input;
    int replacements = 0;
    for (std::size_t p; (p = line.find("/*")) != std::string::npos;) {
        std::size_t q = line.find("*/");
        if (q == std::string::npos) break;  // an unclosed "/*" is shown as written
        std::int64_t len = std::int64_t(q) - std::int64_t(p) - 2;
        std::string inner = len > 0 ? line.substr(p + 2, std::size_t(len)) : std::string();
        std::int32_t n = StrToInt(trimControls(inner));
        const std::string& value = st.StrVars[n];
        if (++replacements > kMaxPlaceholderReplacements)
            throw GameError(sj("文字列変数の展開が終わりません（変数が自分自身を参照しています）"));
        line.replace(p, q - p + 2, value);
    }
    return line;
}

namespace {

[[noreturn]] void stopRunaway(Game& g) {
    noteWait(g);
    throw GameError(sj("スクリプトが待ちのないまま ") + std::to_string(g.maxLinesWithoutWait) +
                    sj(" 行を超えて実行されたため、停止しました"));
}

// A signal's end request is seen by the event loop, which a run that never
// waits does not reach: the run gives way to it.
void giveWayToEnd() {
    if (endSignalled()) throw RunAbandoned{};
}

// Counts one more piece of work since the last wait; past the bound the run
// stops with the text that names it.
void countWork(Game& g, std::int64_t& count, std::int64_t bound, const char* what) {
    giveWayToEnd();
    if (++count <= bound) return;
    noteWait(g);
    throw GameError(sj("スクリプトが待ちのないまま ") + std::to_string(bound) + sj(what));
}

}  // namespace

void noteLoad(Game& g) {
    countWork(g, g.loadsSinceWait, g.maxLoadsWithoutWait, " 回を超えてファイルを読み込んだため、停止しました");
}

void noteSound(Game& g) {
    countWork(g, g.soundsSinceWait, g.maxSoundsWithoutWait, " 回を超えて音楽や効果音を鳴らしたため、停止しました");
}

void RunScript(Game& g, std::int32_t startLine) {
    struct TraceEnd {
        Game& g;
        ~TraceEnd() {
            if (g.trace) g.trace->runEnded();
        }
    } traceEnd{g};
    noteWait(g);  // the player's click or the window's activation
    g.host.clearMessageText();
    std::int64_t current = startLine;
    try {
        for (;;) {
            // Copied: a command may replace the whole store (JS).
            std::string line = g.st.ScriptLines[current];
            if (line == ";" || current + 1 >= g.st.ScriptLines.count()) return;
            if (g.trace) [[unlikely]]
                g.trace->line(g.st.ScriptLines, current, line);
            if (g.lineHook) [[unlikely]]
                g.lineHook->beforeLine(g, current);
            if (++g.linesSinceWait > g.maxLinesWithoutWait) stopRunaway(g);
            if (g.linesSinceWait % kLinesBetweenEndChecks == 0) giveWayToEnd();
            if (!line.empty() && line[0] == '.') {
                std::int64_t r = ExecuteCommand(g, line, current);
                if (r == kEndRun) return;
                current = r + 1;
            } else {
                g.textLine = current;
                g.host.addMessageLine(ExpandPlaceholders(g.st, line));
                ++current;
            }
        }
    } catch (GameError& e) {
        // The line that failed, unless a command placed the error itself (JS
        // replaces the store, so it names its own line or the new scene's).
        e.setPlace(g.st.ScriptLines.place(current));
        throw;
    }
}

std::int64_t ExecuteCommand(Game& g, const std::string& line, std::int64_t i) {
    if (const CommandRow* row = findCommand(line)) {
        CommandCall call{line, i};
        if (!row->ownConversion) readOperands(*row, call);
        return row->run(g, call);
    }
    if (line.size() == 1) {  // "." alone: the page wait
        g.host.waitForPage();
        noteWait(g);
    }
    return i;
}

void FormActivate(Game& g) {
    if (g.st.PendingStart != 1) return;
    g.st.PendingStart = 0;  // consumed before the run, so a later activation runs nothing
    FindLabel(g, "Start");
    if (g.st.TargetLine >= 0) RunScript(g, g.st.TargetLine);
}

}  // namespace qel
