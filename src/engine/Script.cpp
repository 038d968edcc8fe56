#include "engine/Script.h"

#include "engine/Objects.h"
#include "platform/Cp932.h"
#include "scene/Pictures.h"
#include "scene/Scene.h"
#include "scene/Transitions.h"

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
    // Leading blanks and a sign are accepted (scenarios write operands such as
    // ".FS, 3, 1"); anything else, trailing blanks and out-of-range values included, fails.
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

namespace {

// Delphi-style Trim: blanks and control characters at both ends.
std::string trimControls(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

// An optional operand counts as present when it is not empty and differs from
// the field before it (a missing trailing field repeats the last one).
bool present(const std::string& line, int n) {
    std::string f = GetField(n, line);
    return !f.empty() && f != GetField(n - 1, line);
}

std::int32_t intField(const std::string& line, int n) { return StrToInt(GetField(n, line)); }

// The command word: the line's second and third characters, ASCII upper case.
std::uint16_t commandWord(const std::string& line) {
    auto up = [](char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c); };
    std::uint16_t w = 0;
    if (line.size() > 1) w = std::uint16_t(up(line[1]) << 8);
    if (line.size() > 2) w |= up(line[2]);
    return w;
}

constexpr std::uint16_t word(const char (&s)[3]) {
    return std::uint16_t((static_cast<unsigned char>(s[0]) << 8) | static_cast<unsigned char>(s[1]));
}

// FindLabel, then the run goes on with the line after the label line.
std::int64_t jumpAfterLabel(Game& g, const std::string& label) {
    FindLabel(g, label);
    return std::int64_t(g.st.TargetLine) - 1;
}

void frameCommand(Game& g, const std::string& line) {
    FrameRequest f;
    f.mode = intField(line, 1);
    if (present(line, 2)) f.caption = GetField(2, line);
    if (present(line, 3)) {
        f.dx = intField(line, 3);
        f.dy = intField(line, 4);
    }
    g.host.frameMainWindow(f);
}

void arrangeCommand(Game& g, const std::string& line) {
    // Converted in the order the window applies them, all before any change.
    MessageArrangement a;
    if (present(line, 3)) a.style = intField(line, 3);
    if (present(line, 4)) a.caption = GetField(4, line);
    if (present(line, 5)) {
        a.height = intField(line, 6);
        a.width = intField(line, 5);
    }
    a.y = intField(line, 2);
    a.x = intField(line, 1);
    g.host.arrangeMessageWindow(a);
}

} // namespace

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

void RunScript(Game& g, std::int32_t startLine) {
    g.host.clearMessageText();
    std::int64_t current = startLine;
    for (;;) {
        // Copied: a command may replace the whole store (JS).
        std::string line = g.st.ScriptLines[current];
        if (line == ";" || current + 1 >= g.st.ScriptLines.count()) return;
        if (++g.linesSinceWait > kMaxLinesWithoutWait) {
            g.linesSinceWait = 0;
            throw GameError(sj("スクリプトが待ちのないまま ") + std::to_string(kMaxLinesWithoutWait) +
                            sj(" 行を超えて実行されたため、停止しました"));
        }
        if (!line.empty() && line[0] == '.') {
            std::int64_t r = ExecuteCommand(g, line, current);
            if (r == kEndRun) return;
            current = r + 1;
        } else {
            g.host.addMessageLine(ExpandPlaceholders(g.st, line));
            ++current;
        }
    }
}

std::int64_t ExecuteCommand(Game& g, const std::string& line, std::int64_t i) {
    GameState& st = g.st;
    switch (commandWord(line)) {
    case word("JR"):
        FindLabel(g, GetField(1, line));
        return st.TargetLine;
    case word("JS"):
        if (!LoadScene(g, GetField(1, line))) return kEndRun;
        return std::int64_t(st.TargetLine) - 1;
    case word("CP"):
        g.host.showFace(GetField(1, line));
        return i;
    case word("MP"): {
        std::int32_t mode = intField(line, 1);
        g.host.playMusic(mode, GetField(2, line));
        return i;
    }
    case word("WP"): {
        std::int32_t mode = intField(line, 1);
        g.host.playSound(mode, GetField(2, line));
        return i;
    }
    case word("MW"):
        arrangeCommand(g, line);
        return i;
    case word("FW"):
        frameCommand(g, line);
        return i;
    case word("FS"): {
        std::int32_t n = intField(line, 1);
        std::int32_t v = intField(line, 2);
        st.IntVars[n] = v;
        return i;
    }
    case word("SS"): {
        std::int32_t s = intField(line, 1);
        st.StrVars[s] = GetField(2, line);
        return i;
    }
    case word("SR"): {
        BoxAnswer a = g.host.messageBox(BoxKind::Confirm, std::string());
        noteWait(g);
        if (a == BoxAnswer::Yes) return jumpAfterLabel(g, GetField(1, line));
        return i;
    }
    case word("TI"): {
        std::string text = g.host.inputText();
        noteWait(g);
        st.StrVars[intField(line, 1)] = text;  // converted and checked after the dialog
        return i;
    }
    case word("IS"): {
        std::int32_t n = intField(line, 1);
        std::int32_t v = intField(line, 2);
        if (st.IntVars[n] == v) return jumpAfterLabel(g, GetField(3, line));
        return i;
    }
    case word("IT"): {
        std::int32_t s = intField(line, 1);
        if (equalsIgnoreCase(st.StrVars[s], GetField(2, line))) return jumpAfterLabel(g, GetField(3, line));
        return i;
    }
    case word("IM"): {
        std::int32_t n = intField(line, 1);
        std::int32_t k = intField(line, 2);
        std::int32_t w = st.IntVars[n];
        if (w <= 0) return i + k;
        if (w > k) return jumpAfterLabel(g, GetField(3, line));
        FindLabel(g, st.ScriptLines[i + w]);  // the w-th table line names the label
        return std::int64_t(st.TargetLine) - 2;
    }
    case word("IC"): {
        std::int32_t n = intField(line, 1);
        std::int32_t v = intField(line, 2);
        if (st.IntVars[n] >= v) return jumpAfterLabel(g, GetField(3, line));
        return i;
    }
    case word("OS"):
        TimedWait(g, intField(line, 1));
        noteWait(g);
        return i;
    case word("GP"): {
        std::int32_t x = intField(line, 1);
        std::int32_t y = intField(line, 2);
        std::int32_t mode = intField(line, 3);
        DrawPicture(g, x, y, mode, GetField(4, line));
        return i;
    }
    case word("GC"):
        RestoreBackground(g);
        return i;
    case word("PT"): {
        std::int32_t x = intField(line, 1);
        std::int32_t y = intField(line, 2);
        std::int32_t h = intField(line, 5);
        DrawText(g, x, y, GetField(3, line), GetField(4, line), h, GetField(6, line));
        return i;
    }
    case word("DN"):
        RemoveObject(st, intField(line, 1));
        return i;
    case word("DV"): {
        std::int32_t o = intField(line, 1);
        std::int32_t p = intField(line, 2);
        RemoveVerb(st, o, p);
        return i;
    }
    case word("UN"): {
        std::int32_t o = intField(line, 1);
        std::int32_t l = intField(line, 2);
        std::int32_t r = intField(line, 3);
        std::int32_t t = intField(line, 4);
        std::int32_t b = intField(line, 5);
        DefineObject(st, o, l, r, t, b, GetField(6, line));
        return i;
    }
    case word("UV"): {
        std::int32_t o = intField(line, 1);
        std::int32_t p = intField(line, 2);
        AddVerb(g, o, p, GetField(3, line));
        if (p > 5) noteWait(g);
        return i;
    }
    case word("TK"): {
        std::int32_t mode = intField(line, 1);
        TransitionTo(g, mode, GetField(2, line));
        noteWait(g);
        return i;
    }
    case word("EG"):
        g.host.endGame();
        noteWait(g);
        return i;
    case word("CW"):
        g.host.closeMessageWindow();
        return i;
    case word("IN"): {
        std::int32_t& v = st.IntVars[intField(line, 1)];
        v = v >= 255 ? 255 : v + 1;
        return i;
    }
    case word("DE"): {
        std::int32_t& v = st.IntVars[intField(line, 1)];
        v = v <= 0 ? 0 : v - 1;
        return i;
    }
    default:
        break;
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

} // namespace qel
