#include "script/Commands.h"

#include "engine/Objects.h"
#include "script/Script.h"
#include "platform/Cp932.h"
#include "scene/Pictures.h"
#include "scene/Scene.h"
#include "scene/Transitions.h"

#include <algorithm>

namespace qel {

namespace {

std::int32_t intField(const std::string& line, int n) { return StrToInt(fieldView(n, line)); }

// --- handlers, in the order of the table ---------------------------------

std::int64_t runJR(Game& g, const CommandCall& c) { return landAt(g, c.text[1], kAfterSkippedLine); }

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
    if (a == BoxAnswer::Yes) return landAt(g, c.text[1], kAfterLabel);
    return c.index;
}

std::int64_t runTI(Game& g, const CommandCall& c) {
    std::string text = g.host.inputText();
    noteWait(g);
    g.st.StrVars[intField(c.line, 1)] = text;  // converted and checked after the dialog
    return c.index;
}

std::int64_t runIS(Game& g, const CommandCall& c) {
    if (g.st.IntVars[c.number[1]] == c.number[2]) return landAt(g, c.text[3], kAfterLabel);
    return c.index;
}

std::int64_t runIT(Game& g, const CommandCall& c) {
    if (equalsIgnoreCase(g.st.StrVars[c.number[1]], c.str(2))) return landAt(g, c.text[3], kAfterLabel);
    return c.index;
}

std::int64_t runIM(Game& g, const CommandCall& c) {
    const std::int32_t k = c.number[2];
    const std::int32_t w = g.st.IntVars[c.number[1]];
    if (w <= 0) return c.index + k;
    if (w > k) return landAt(g, c.text[3], kAfterLabel);
    return landAt(g, g.st.ScriptLines[c.index + w], kAtLabel);  // the w-th table line names the label
}

std::int64_t runIC(Game& g, const CommandCall& c) {
    if (g.st.IntVars[c.number[1]] >= c.number[2]) return landAt(g, c.text[3], kAfterLabel);
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
    std::array<FileUse, 2> files{};
    Landing landing = kAfterLabel;
    bool fallsThrough = true;
    std::uint8_t tableOperand = 0;
};

// Operands are listed from operand 1 on, without gaps.
constexpr CommandRow row(std::string_view word, std::initializer_list<OperandRule> operands, CommandHandler run,
                         CommandDoc doc, RowOptions options = {}) {
    CommandRow r{word,
                 {},
                 options.wait,
                 options.ownConversion,
                 run,
                 options.files,
                 options.landing,
                 options.fallsThrough,
                 options.tableOperand,
                 doc};
    std::size_t n = 0;
    for (const OperandRule& o : operands) r.operands[n++] = o;
    return r;
}

// Operand n opens a file with that extension: always, or with the modes of
// operand modeOperand given as a bit set.
constexpr FileUse opens(int n, FileKind kind, std::string_view extension, int modeOperand = 0,
                        std::uint16_t modes = 0) {
    return FileUse{std::uint8_t(n), kind, extension, std::uint8_t(modeOperand), modes};
}
constexpr std::uint16_t modeBits(std::initializer_list<int> modes) {
    std::uint16_t bits = 0;
    for (int m : modes) bits = std::uint16_t(bits | (1u << m));
    return bits;
}

constexpr OperandRule kObjectCheckedByHandler{K::Object, 0, true};

constexpr std::array kRows = {
    row("JR", {kLabel}, runJR,
        {".JR,label",
         "Jumps to the label. The run goes on two lines below the label line: the line right after "
         "the label is skipped (put a spare line such as '.--' there). A missing label goes on at the "
         "first line of the script.",
         ".JR,Door"},
        {.landing = kAfterSkippedLine, .fallsThrough = false}),
    row("JS", {kFile}, runJS,
        {".JS,scene",
         "Enters the scene file scene + '.dat': its background, objects and script replace the "
         "current ones, and the run goes on at its .Start label. A missing scene file shows the "
         "missing-scene notice and ends the program.",
         ".JS,Room2"},
        {.files = {opens(1, FileKind::Scene, ".dat")}, .fallsThrough = false}),
    row("CP", {kFile}, runCP,
        {".CP,face",
         "Shows the picture face + '.BMP' as the face picture of the message window; nothing when the "
         "file does not exist.",
         ".CP,Hero"},
        {.files = {opens(1, FileKind::Face, ".BMP")}}),
    row("MP", {kInt, kFile}, runMP,
        {".MP,mode,file",
         "Music from the media file (written with its extension): mode 1 plays it once, mode 3 "
         "plays it again and again, any other mode stops the music.",
         ".MP,3,Theme.mid"},
        {.files = {opens(2, FileKind::Media, "", 1, modeBits({1, 3}))}}),
    row("WP", {kInt, kFile}, runWP,
        {".WP,mode,file",
         "A sound from the media file (written with its extension): mode 1 plays it, any other "
         "mode stops the sound.",
         ".WP,1,Door.wav"},
        {.files = {opens(2, FileKind::Media, "", 1, modeBits({1}))}}),
    // x, y, style, caption, width, height
    row("MW", {kInt, kInt, onlyWith(kInt, 3), onlyWith(kText, 4), onlyWith(kInt, 5), onlyWith(kInt, 5)}, runMW,
        {".MW,x,y[,style[,caption[,width,height]]]",
         "Places the message window at (x, y) relative to the main window; optionally its frame style, caption "
         "and size. An optional operand counts only when it is not empty and differs from the one before it.",
         ".MW,0,300,1,Story,400,120"},
        {.ownConversion = true}),
    // mode, caption, dx, dy
    row("FW", {kInt, onlyWith(kText, 2), onlyWith(kInt, 3), onlyWith(kInt, 3)}, runFW,
        {".FW,mode[,caption[,dx,dy]]",
         "Frames the main window: mode 1 a fixed frame without menu, mode 2 a fixed frame with the menu bar, any "
         "other mode leaves the frame. The caption replaces the window's caption; dx, dy move it from the "
         "centre of the screen.",
         ".FW,2,My adventure"}),
    row("FS", {kVar, kInt}, runFS, {".FS,n,value", "Sets integer variable n (1..50) to the value.", ".FS,3,1"}),
    row("SS", {kStrVar, kText}, runSS,
        {".SS,s,text", "Sets string variable s (1..9) to the text, as written.", ".SS,1,Taro"}),
    row("SR", {kLabel}, runSR,
        {".SR,label",
         "Asks a yes/no question in a box; Yes jumps to the label (the run goes on at the line after "
         "it), No goes on with the next line.",
         ".SR,Quit"},
        {.wait = W::Box}),
    row("TI", {kStrVar}, runTI,
        {".TI,s", "Asks for a text in the text input dialog and stores it in string variable s (1..9).", ".TI,1"},
        {.wait = W::TextInput, .ownConversion = true}),
    row("IS", {kVar, kInt, kLabel}, runIS,
        {".IS,n,value,label", "Jumps to the label when integer variable n equals the value.", ".IS,3,1,Opened"}),
    row("IT", {kStrVar, kText, kLabel}, runIT,
        {".IT,s,text,label", "Jumps to the label when string variable s equals the text, ignoring case.",
         ".IT,1,open sesame,Opened"}),
    // variable, table length, label when past the table; the table lines follow
    row("IM", {kVar, kInt, kLabel}, runIM,
        {".IM,n,count,label",
         "Jumps through a table: the count lines below name labels (without the dot). With integer variable n "
         "from 1 to count the run goes on at the label line that the n-th table line names; above count it jumps "
         "to the label; 0 or below it goes on after the table.",
         ".IM,5,2,Other"},
        {.tableOperand = 2}),
    row("IC", {kVar, kInt, kLabel}, runIC,
        {".IC,n,value,label", "Jumps to the label when integer variable n is at least the value.", ".IC,4,10,Rich"}),
    row("OS", {kInt}, runOS,
        {".OS,ms", "Waits the number of milliseconds; the player's clicks are ignored meanwhile.", ".OS,500"},
        {.wait = W::Timer}),
    // x, y, mode, picture
    row("GP", {kInt, kInt, kInt, kFile}, runGP,
        {".GP,x,y,mode,picture",
         "Draws picture + '.bmp' on the shown picture at (x, y): mode 1 through the mask picture + 'B.bmp', mode "
         "2 as it is, mode 3 dissolving in; any other mode draws nothing.",
         ".GP,120,80,1,Key"},
        {.files = {opens(4, FileKind::Picture, "B.bmp", 3, modeBits({1})),
                   opens(4, FileKind::Picture, ".bmp", 3, modeBits({1, 2, 3}))}}),
    row("GC", {}, runGC, {".GC", "Restores the shown picture from the scene's background.", ".GC"}),
    // x, y, colour, font, height, text
    row("PT", {kInt, kInt, kText, kText, kInt, kText}, runPT,
        {".PT,x,y,colour,font,height,text",
         "Draws the text on the shown picture at (x, y) with the font and height (negative: character height in "
         "pixels). The colour is one of clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray, "
         "clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite; another name keeps the last one.",
         ".PT,10,10,clWhite,ＭＳ ゴシック,-16,Hello"}),
    row("DN", {kObject}, runDN, {".DN,o", "Switches object o (1..50) off and empties its verbs.", ".DN,2"}),
    // object, verb position 0..5
    row("DV", {kObject, kInt}, runDV,
        {".DV,o,position", "Removes the verb at the position (1..5; 0 removes none) of object o.", ".DV,2,1"}),
    // object, left, right, top, bottom, name
    row("UN", {kObject, kInt, kInt, kInt, kInt, kText}, runUN,
        {".UN,o,left,right,top,bottom,name",
         "Defines object o (1..50): its rectangle on the picture and its name. A left of -1 switches it off.",
         ".UN,3,10,90,40,120,Box"}),
    // object, verb position (0: the first free one; above 5: a notice box), verb
    row("UV", {kObjectCheckedByHandler, kInt, kText}, runUV,
        {".UV,o,position,verb",
         "Gives object o the verb at the position (1..5; 0 takes the first free one). A position above 5 shows a "
         "notice and stores nothing.",
         ".UV,3,0,Open"},
        {.wait = W::Box}),
    // mode, picture
    row("TK", {kInt, kFile}, runTK,
        {".TK,mode,picture",
         "Changes the shown picture to picture + '.bmp' with a transition: modes 1 to 8 slide the old picture "
         "out or the new one in, any other mode shows it at once.",
         ".TK,1,Hall"},
        {.wait = W::Transition, .files = {opens(2, FileKind::Picture, ".bmp")}}),
    row("EG", {}, runEG,
        {".EG",
         "Ends the game: closes the verb and message windows and then the main window, which asks whether "
         "to quit.",
         ".EG"},
        {.wait = W::GameEnd}),
    row("CW", {}, runCW, {".CW", "Empties the message window's text and closes the window.", ".CW"}),
    row("IN", {kVar}, runIN, {".IN,n", "Adds 1 to integer variable n, up to 255.", ".IN,7"}),
    row("DE", {kVar}, runDE, {".DE,n", "Subtracts 1 from integer variable n, down to 0.", ".DE,7"}),
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
        // Files on file operands, modes and tables on integer operands.
        for (const FileUse& f : row.files) {
            if (f.operand == 0) continue;
            if (f.operand > kMaxOperands || row.operand(f.operand).kind != OperandKind::File) return false;
            if (f.modeOperand &&
                (f.modeOperand > kMaxOperands || row.operand(f.modeOperand).kind != OperandKind::Integer))
                return false;
        }
        if (row.tableOperand &&
            (row.tableOperand > kMaxOperands || row.operand(row.tableOperand).kind != OperandKind::Integer))
            return false;
    }
    return true;
}
static_assert(rowsAreWellFormed(), "a command row breaks the table's rules");

// Row number + 1 for each two-letter word, 0 for a word that is no command.
constexpr auto kRowOfWord = [] {
    std::array<std::uint8_t, 26 * 26> index{};
    for (std::size_t r = 0; r < kRows.size(); ++r)
        index[slotOf(kRows[r].word[0], kRows[r].word[1])] = std::uint8_t(r + 1);
    return index;
}();

}  // namespace

std::int64_t landAt(Game& g, std::string_view label, Landing landing) {
    FindLabel(g, label);
    return std::int64_t(g.st.TargetLine) + landing - 2;
}

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

}  // namespace qel
