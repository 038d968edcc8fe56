#pragma once
// The command words of the script language, one row each: what each operand
// is, whether the command can wait, and the handler that runs it. The run loop
// dispatches through these rows and the scenario checker validates through
// them, so the grammar of a command is written once.
#include "engine/Game.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qel {

// What a command's operand holds. Numbers are converted by StrToInt; the
// table numbers are checked against their table when the state is indexed.
enum class OperandKind : std::uint8_t {
    None,            // no operand at this position
    Integer,         // any signed 32-bit number
    Text,            // any text, taken as written
    Label,           // a label name, without its dot
    File,            // a file name (each command adds its own extension)
    Variable,        // an integer variable number, 1..kIntVarCount
    StringVariable,  // a string variable number, 1..kStrVarCount
    Object,          // an object number, 1..kObjectCount
};

constexpr bool isNumber(OperandKind k) {
    return k == OperandKind::Integer || k == OperandKind::Variable || k == OperandKind::StringVariable ||
           k == OperandKind::Object;
}

// The waits a command can enter (the trace and the docs name them).
enum class CommandWait : std::uint8_t { None, Page, Box, TextInput, Timer, Transition, GameEnd };

constexpr int kMaxOperands = 6;

// What a file operand names, which decides what a missing or broken file does.
enum class FileKind : std::uint8_t {
    None,
    Scene,    // a scene file: missing, the player shows its missing-scene notice and ends
    Face,     // a face picture: missing, the command does nothing
    Picture,  // a picture: missing or broken, the run stops with the loader's error
    Media,    // a music or sound file, opened as written
};

// One file a command opens: operand `operand` with `extension` added, opened
// always, or (modeOperand non-zero) only when that operand's value m has bit
// m set in `modes`.
struct FileUse {
    std::uint8_t operand = 0;  // 0: no file
    FileKind kind = FileKind::None;
    std::string_view extension;
    std::uint8_t modeOperand = 0;
    std::uint16_t modes = 0;

    constexpr bool opensWithMode(std::int32_t mode) const {
        return modeOperand == 0 || (mode >= 0 && mode < 16 && ((modes >> mode) & 1u));
    }
};

// Where the run goes on after a jump to a label: the label line plus this
// many lines. A label that is missing leaves the run at landing - 2, before
// the first body line when landing is below 2.
enum Landing : std::uint8_t {
    kAtLabel = 0,          // the label line itself runs (IM's table entries)
    kAfterLabel = 1,       // the line after the label (IS, IT, IC, IM, SR)
    kAfterSkippedLine = 2  // the second line after the label (JR)
};

struct OperandRule {
    OperandKind kind = OperandKind::None;
    // Non-zero: the operand is read only when operand `onlyWith` is present
    // (see operandPresent); otherwise it is always read.
    std::uint8_t onlyWith = 0;
    // An object number whose range the handler checks itself, after the other
    // operands (UV: a position above 5 makes the object number irrelevant).
    bool rangeCheckedByHandler = false;
};

// One executing command line with its operands converted in ascending order,
// as its row describes them; operand n is at index n.
struct CommandCall {
    const std::string& line;
    std::int64_t index;  // the line's index in the script store
    std::array<std::int32_t, kMaxOperands + 1> number{};
    std::array<std::string_view, kMaxOperands + 1> text{};
    std::uint8_t given = 0;  // bit n: operand n was read (matters with onlyWith)

    bool has(int n) const { return (given >> n) & 1u; }
    std::string str(int n) const { return std::string(text[std::size_t(n)]); }
};

// A handler returns the index of the line after which the run goes on.
using CommandHandler = std::int64_t (*)(Game& g, const CommandCall& c);

// What an author reads about a command: its form with the operands named,
// what it does, and an example line.
struct CommandDoc {
    std::string_view synopsis;  // e.g. ".GP,x,y,mode,picture"
    std::string_view summary;
    std::string_view example;
};

struct CommandRow {
    std::string_view word;                           // two ASCII upper-case letters
    std::array<OperandRule, kMaxOperands> operands;  // operand n at [n - 1]
    CommandWait wait;
    // True when the handler reads its operands from the line itself, in an
    // order of its own (the row still describes them for the checker).
    bool ownConversion;
    CommandHandler run;
    // The files it opens, in the order it opens them.
    std::array<FileUse, 2> files{};
    // Where a jump to one of its label operands lands.
    Landing landing = kAfterLabel;
    // False when the line below never runs after this one (the command jumps
    // or changes the scene).
    bool fallsThrough = true;
    // Non-zero: this operand counts the lines below that name labels, each
    // landing at its label line (IM's table).
    std::uint8_t tableOperand = 0;
    CommandDoc doc{};

    constexpr const OperandRule& operand(int n) const { return operands[std::size_t(n - 1)]; }
};

// The run goes on after a jump with `landing` to `label` (FindLabel sets
// TargetLine): the index a handler returns.
std::int64_t landAt(Game& g, std::string_view label, Landing landing);

// The command word of a "." line: its second and third characters, ASCII
// upper case (fewer when the line is shorter).
std::string commandWord(std::string_view line);
// The row of the command that a "." line runs, or nullptr when its word is
// none of the command words (such a line does nothing; "." alone waits).
const CommandRow* findCommand(std::string_view line);
// Every row, in the order of the table.
std::span<const CommandRow> commandRows();

// Converts the operands of a command line as its row describes them, in
// ascending order; the first one that is not a number raises its error.
void readOperands(const CommandRow& row, CommandCall& call);

// An optional operand counts as present when it is not empty and differs from
// the field before it (a missing trailing field repeats the last one).
bool operandPresent(std::string_view line, int n);

}  // namespace qel
