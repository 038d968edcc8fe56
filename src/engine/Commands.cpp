#include "engine/Commands.h"

#include "engine/Objects.h"
#include "engine/Script.h"
#include "platform/Cp932.h"
#include "scene/Pictures.h"
#include "scene/Scene.h"
#include "scene/Transitions.h"

#include <algorithm>

namespace qel {

namespace {

std::int32_t intField(const std::string& line, int n) { return StrToInt(fieldView(n, line)); }

// FindLabel, then the run goes on with the line after the label line.
std::int64_t jumpAfterLabel(Game& g, std::string_view label) {
    FindLabel(g, label);
    return std::int64_t(g.st.TargetLine) - 1;
}

// --- handlers, in the order of the table ---------------------------------

std::int64_t runJR(Game& g, const CommandCall& c) {
    FindLabel(g, c.text[1]);
    return g.st.TargetLine;  // so the line right after the label is skipped
}

std::int64_t runJS(Game& g, const CommandCall& c) {
    // Entering a scene replaces the store: a failure that the header reader
    // has not placed in the new file is placed at this line, named now.
    std::string here = g.st.ScriptLines.place(c.index);
    try {
        if (!LoadScene(g, c.str(1))) return kEndRun;
    } catch (GameError& e) {
        e.setPlace(std::move(here));
        throw;
    }
    return std::int64_t(g.st.TargetLine) - 1;
}

std::int64_t runCP(Game& g, const CommandCall& c) {
    noteLoad(g);
    g.host.showFace(c.str(1));
    return c.index;
}

std::int64_t runMP(Game& g, const CommandCall& c) {
    noteSound(g);
    g.host.playMusic(c.number[1], c.str(2));
    return c.index;
}

std::int64_t runWP(Game& g, const CommandCall& c) {
    noteSound(g);
    g.host.playSound(c.number[1], c.str(2));
    return c.index;
}

std::int64_t runMW(Game& g, const CommandCall& c) {
    // Converted in the order the window applies them, all before any change.
    const std::string& line = c.line;
    MessageArrangement a;
    if (operandPresent(line, 3)) a.style = intField(line, 3);
    if (operandPresent(line, 4)) a.caption = GetField(4, line);
    if (operandPresent(line, 5)) {
        a.height = intField(line, 6);
        a.width = intField(line, 5);
    }
    a.y = intField(line, 2);
    a.x = intField(line, 1);
    g.host.arrangeMessageWindow(a);
    return c.index;
}

std::int64_t runFW(Game& g, const CommandCall& c) {
    FrameRequest f;
    f.mode = c.number[1];
    if (c.has(2)) f.caption = c.str(2);
    if (c.has(3)) {
        f.dx = c.number[3];
        f.dy = c.number[4];
    }
    g.host.frameMainWindow(f);
    return c.index;
}

std::int64_t runFS(Game& g, const CommandCall& c) {
    g.st.IntVars[c.number[1]] = c.number[2];
    return c.index;
}

std::int64_t runSS(Game& g, const CommandCall& c) {
    g.st.StrVars[c.number[1]] = c.str(2);
    return c.index;
}

std::int64_t runSR(Game& g, const CommandCall& c) {
    BoxAnswer a = g.host.messageBox(BoxKind::Confirm, std::string());
    noteWait(g);
    if (a == BoxAnswer::Yes) return jumpAfterLabel(g, c.text[1]);
    return c.index;
}

std::int64_t runTI(Game& g, const CommandCall& c) {
    std::string text = g.host.inputText();
    noteWait(g);
    g.st.StrVars[intField(c.line, 1)] = text;  // converted and checked after the dialog
    return c.index;
}

std::int64_t runIS(Game& g, const CommandCall& c) {
    if (g.st.IntVars[c.number[1]] == c.number[2]) return jumpAfterLabel(g, c.text[3]);
    return c.index;
}

std::int64_t runIT(Game& g, const CommandCall& c) {
    if (equalsIgnoreCase(g.st.StrVars[c.number[1]], c.str(2))) return jumpAfterLabel(g, c.text[3]);
    return c.index;
}

std::int64_t runIM(Game& g, const CommandCall& c) {
    const std::int32_t k = c.number[2];
    const std::int32_t w = g.st.IntVars[c.number[1]];
    if (w <= 0) return c.index + k;
    if (w > k) return jumpAfterLabel(g, c.text[3]);
    FindLabel(g, g.st.ScriptLines[c.index + w]);  // the w-th table line names the label
    return std::int64_t(g.st.TargetLine) - 2;
}

std::int64_t runIC(Game& g, const CommandCall& c) {
    if (g.st.IntVars[c.number[1]] >= c.number[2]) return jumpAfterLabel(g, c.text[3]);
    return c.index;
}

std::int64_t runOS(Game& g, const CommandCall& c) {
    TimedWait(g, c.number[1]);
    noteWait(g);
    return c.index;
}

std::int64_t runGP(Game& g, const CommandCall& c) {
    DrawPicture(g, c.number[1], c.number[2], c.number[3], c.str(4));
    return c.index;
}

std::int64_t runGC(Game& g, const CommandCall& c) {
    RestoreBackground(g);
    return c.index;
}

std::int64_t runPT(Game& g, const CommandCall& c) {
    DrawText(g, c.number[1], c.number[2], c.str(3), c.str(4), c.number[5], c.str(6));
    return c.index;
}

std::int64_t runDN(Game& g, const CommandCall& c) {
    RemoveObject(g.st, c.number[1]);
    return c.index;
}

std::int64_t runDV(Game& g, const CommandCall& c) {
    RemoveVerb(g.st, c.number[1], c.number[2]);
    return c.index;
}

std::int64_t runUN(Game& g, const CommandCall& c) {
    DefineObject(g.st, c.number[1], c.number[2], c.number[3], c.number[4], c.number[5], c.str(6));
    return c.index;
}

std::int64_t runUV(Game& g, const CommandCall& c) {
    AddVerb(g, c.number[1], c.number[2], c.str(3));
    if (c.number[2] > 5) noteWait(g);  // the notice box was shown
    return c.index;
}

std::int64_t runTK(Game& g, const CommandCall& c) {
    // Counts as a wait only where the transition waited: one that shows its
    // picture at once (mode 0) handles no event, and a loop of them would
    // freeze the player for good.
    TransitionTo(g, c.number[1], c.str(2));
    return c.index;
}

std::int64_t runEG(Game& g, const CommandCall& c) {
    g.host.endGame();
    noteWait(g);
    return c.index;
}

std::int64_t runCW(Game& g, const CommandCall& c) {
    g.host.closeMessageWindow();
    return c.index;
}

std::int64_t runIN(Game& g, const CommandCall& c) {
    std::int32_t& v = g.st.IntVars[c.number[1]];
    v = v >= 255 ? 255 : v + 1;
    return c.index;
}

std::int64_t runDE(Game& g, const CommandCall& c) {
    std::int32_t& v = g.st.IntVars[c.number[1]];
    v = v <= 0 ? 0 : v - 1;
    return c.index;
}

// --- the table -------------------------------------------------------------

using K = OperandKind;
using W = CommandWait;

constexpr OperandRule kInt{K::Integer};
constexpr OperandRule kText{K::Text};
constexpr OperandRule kLabel{K::Label};
constexpr OperandRule kFile{K::File};
constexpr OperandRule kVar{K::Variable};
constexpr OperandRule kStrVar{K::StringVariable};
constexpr OperandRule kObject{K::Object};

// The operand, read only when operand n is present.
constexpr OperandRule onlyWith(OperandRule r, int n) {
    r.onlyWith = std::uint8_t(n);
    return r;
}

struct RowOptions {
    CommandWait wait = W::None;
    bool ownConversion = false;
};

// Operands are listed from operand 1 on, without gaps.
constexpr CommandRow row(std::string_view word, std::initializer_list<OperandRule> operands, CommandHandler run,
                         RowOptions options = {}) {
    CommandRow r{word, {}, options.wait, options.ownConversion, run};
    std::size_t n = 0;
    for (const OperandRule& o : operands) r.operands[n++] = o;
    return r;
}

constexpr OperandRule kObjectCheckedByHandler{K::Object, 0, true};

constexpr std::array kRows = {
    row("JR", {kLabel}, runJR),
    row("JS", {kFile}, runJS),
    row("CP", {kFile}, runCP),
    row("MP", {kInt, kFile}, runMP),
    row("WP", {kInt, kFile}, runWP),
    // x, y, style, caption, width, height
    row("MW", {kInt, kInt, onlyWith(kInt, 3), onlyWith(kText, 4), onlyWith(kInt, 5), onlyWith(kInt, 5)}, runMW,
        {W::None, true}),
    // mode, caption, dx, dy
    row("FW", {kInt, onlyWith(kText, 2), onlyWith(kInt, 3), onlyWith(kInt, 3)}, runFW),
    row("FS", {kVar, kInt}, runFS),
    row("SS", {kStrVar, kText}, runSS),
    row("SR", {kLabel}, runSR, {W::Box}),
    row("TI", {kStrVar}, runTI, {W::TextInput, true}),
    row("IS", {kVar, kInt, kLabel}, runIS),
    row("IT", {kStrVar, kText, kLabel}, runIT),
    // variable, table length, label when past the table; the table lines follow
    row("IM", {kVar, kInt, kLabel}, runIM),
    row("IC", {kVar, kInt, kLabel}, runIC),
    row("OS", {kInt}, runOS, {W::Timer}),
    // x, y, mode, picture
    row("GP", {kInt, kInt, kInt, kFile}, runGP),
    row("GC", {}, runGC),
    // x, y, colour, font, height, text
    row("PT", {kInt, kInt, kText, kText, kInt, kText}, runPT),
    row("DN", {kObject}, runDN),
    // object, verb position 0..5
    row("DV", {kObject, kInt}, runDV),
    // object, left, right, top, bottom, name
    row("UN", {kObject, kInt, kInt, kInt, kInt, kText}, runUN),
    // object, verb position (0: the first free one; above 5: a notice box), verb
    row("UV", {kObjectCheckedByHandler, kInt, kText}, runUV, {W::Box}),
    // mode, picture
    row("TK", {kInt, kFile}, runTK, {W::Transition}),
    row("EG", {}, runEG, {W::GameEnd}),
    row("CW", {}, runCW),
    row("IN", {kVar}, runIN),
    row("DE", {kVar}, runDE),
};

constexpr char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }
constexpr bool isUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
constexpr std::size_t slotOf(char a, char b) { return std::size_t(a - 'A') * 26 + std::size_t(b - 'A'); }

// Each word two upper-case letters and in one row only; operands from 1 on
// without gaps, each read only with itself or an operand before it.
constexpr bool rowsAreWellFormed() {
    for (std::size_t r = 0; r < kRows.size(); ++r) {
        const CommandRow& row = kRows[r];
        if (row.word.size() != 2 || !isUpperLetter(row.word[0]) || !isUpperLetter(row.word[1])) return false;
        for (std::size_t q = 0; q < r; ++q)
            if (kRows[q].word == row.word) return false;
        bool ended = false;
        for (int n = 1; n <= kMaxOperands; ++n) {
            const OperandRule& o = row.operand(n);
            if (o.kind == OperandKind::None) {
                ended = true;
            } else if (ended || o.onlyWith > n) {
                return false;
            }
        }
    }
    return true;
}
static_assert(rowsAreWellFormed(), "a command row breaks the table's rules");

// Row number + 1 for each two-letter word, 0 for a word that is no command.
constexpr auto kRowOfWord = [] {
    std::array<std::uint8_t, 26 * 26> index{};
    for (std::size_t r = 0; r < kRows.size(); ++r) index[slotOf(kRows[r].word[0], kRows[r].word[1])] = std::uint8_t(r + 1);
    return index;
}();

} // namespace

std::string commandWord(std::string_view line) {
    std::string w(line.substr(std::min<std::size_t>(1, line.size()), 2));
    for (char& c : w) c = upperAscii(c);
    return w;
}

const CommandRow* findCommand(std::string_view line) {
    if (line.size() < 3) return nullptr;
    const char a = upperAscii(line[1]), b = upperAscii(line[2]);
    if (!isUpperLetter(a) || !isUpperLetter(b)) return nullptr;
    const std::uint8_t r = kRowOfWord[slotOf(a, b)];
    return r ? &kRows[r - 1] : nullptr;
}

std::span<const CommandRow> commandRows() { return kRows; }

bool operandPresent(std::string_view line, int n) {
    std::string_view f = fieldView(n, line);
    return !f.empty() && f != fieldView(n - 1, line);
}

void readOperands(const CommandRow& row, CommandCall& call) {
    // Every field the operands can use, in one pass over the line, with
    // fieldView's rules: a field past the last comma repeats the last one, cut
    // to 255 bytes; without any comma only field 0 is there.
    std::array<std::string_view, kMaxOperands + 1>& field = call.text;
    const char* text = call.line.data();
    const std::size_t size = call.line.size();
    std::size_t start = 0;
    int parts = 0;
    for (std::size_t i = 0; i < size && parts <= kMaxOperands; ++i) {
        if (text[i] != ',') continue;
        field[std::size_t(parts++)] = std::string_view(text + start, i - start);
        start = i + 1;
    }
    const std::string_view last(text + start, std::min<std::size_t>(size - start, 255));
    for (int n = parts; n <= kMaxOperands; ++n) field[std::size_t(n)] = parts == 0 && n > 0 ? std::string_view() : last;

    for (int n = 1; n <= kMaxOperands; ++n) {
        const OperandRule& rule = row.operand(n);
        if (rule.kind == OperandKind::None) break;
        if (rule.onlyWith) {
            const std::string_view f = field[rule.onlyWith];
            if (f.empty() || f == field[rule.onlyWith - 1u]) continue;  // see operandPresent
        }
        if (isNumber(rule.kind)) call.number[std::size_t(n)] = StrToInt(field[std::size_t(n)]);
        call.given = std::uint8_t(call.given | (1u << n));
    }
}

} // namespace qel
