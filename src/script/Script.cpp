#include "script/Script.h"

#include "engine/Trace.h"
#include "platform/Cp932.h"
#include "script/Commands.h"

namespace qel {

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

}  // namespace

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
