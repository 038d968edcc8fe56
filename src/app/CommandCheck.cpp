// The checks of each command line: its operands converted and range-checked
// by their kinds, the files it opens, its tables of lines, and the rules of
// single commands that the kinds do not say.
#include "app/SceneChecker.h"

#include "engine/GameState.h"
#include "engine/ObjectLogic.h"
#include "script/Script.h"
#include "platform/FileLookup.h"
#include "platform/MidiDuration.h"
#include "scene/Bitmap.h"

#include <QFile>

namespace qel::check {

// Loads a bitmap the way the player does; the player's error text, or "".
const std::string& SceneChecker::bitmapVerdict(const std::string& name) {
    auto it = files_.bitmaps.find(name);
    if (it != files_.bitmaps.end()) return it->second;
    std::string verdict;
    try {
        loadBitmapFile(name);
    } catch (const GameError& e) {
        verdict = e.text();
    }
    return files_.bitmaps[name] = verdict;
}
void SceneChecker::checkBitmap(int fileLine, const QString& what, const std::string& name, int field) {
    const std::string& v = bitmapVerdict(name);
    if (!v.empty()) error(fileLine, what + QStringLiteral(": ") + decode(v), field);
}

// A music or sound file as MP and WP open it: it must exist, and a MIDI
// file must parse.
void SceneChecker::checkMedia(int fileLine, const QString& cmd, const std::string& name, int field) {
    auto it = files_.media.find(name);
    if (it == files_.media.end()) {
        QString verdict;
        auto path = findFile(name);
        if (!path) {
            verdict = QStringLiteral("file %1 not found: the run stops with the media error").arg(quoted(name));
        } else if (path->endsWith(QLatin1String(".mid"), Qt::CaseInsensitive) ||
                   path->endsWith(QLatin1String(".midi"), Qt::CaseInsensitive) ||
                   path->endsWith(QLatin1String(".rmi"), Qt::CaseInsensitive)) {
            QFile f(*path);
            QByteArray bytes;
            if (f.open(QIODevice::ReadOnly)) bytes = f.readAll();
            if (!midiDurationMs(std::string_view(bytes.constData(), std::size_t(bytes.size()))))
                verdict = QStringLiteral("%1 is not a valid MIDI file").arg(quoted(name));
        }
        it = files_.media.emplace(name, verdict).first;
    }
    if (!it->second.isEmpty()) error(fileLine, cmd + QStringLiteral(": ") + it->second, field);
}

// The player stops a command at its first bad operand, so each line
// reports only its first one (lineFailed_).
std::optional<std::int32_t> SceneChecker::intOperand(int i, int n, const QString& cmd) {
    if (lineFailed_) return std::nullopt;
    try {
        return StrToInt(GetField(n, body(i)));
    } catch (const GameError& e) {
        error(lineOf(i), QStringLiteral("%1 operand %2: %3").arg(cmd).arg(n).arg(playerText(e)), n);
        lineFailed_ = true;
        return std::nullopt;
    }
}
// A table number operand (variable, string or object) with its bounds.
std::optional<std::int32_t> SceneChecker::numberOperand(int i, int n, const QString& cmd, const char* table, int last) {
    auto v = intOperand(i, n, cmd);
    if (v && (*v < 1 || *v > last)) {
        error(lineOf(i),
              QStringLiteral("%1: %2 number %3 is outside 1..%4: %5")
                  .arg(cmd, QLatin1String(table))
                  .arg(*v)
                  .arg(last)
                  .arg(playerText(rangeError())),
              n);
        lineFailed_ = true;
        return std::nullopt;
    }
    return v;
}
// Converts a command's operands as its row describes them, first failure
// only, and checks the table numbers against their tables. The values by
// operand number; nullopt for one not converted or not a number.
std::array<std::optional<std::int32_t>, kMaxOperands + 1> SceneChecker::operands(int i, const CommandRow& row,
                                                                                 const QString& cmd) {
    std::array<std::optional<std::int32_t>, kMaxOperands + 1> v;
    const std::string& line = body(i);
    for (int n = 1; n <= kMaxOperands; ++n) {
        const OperandRule& rule = row.operand(n);
        if (rule.kind == OperandKind::None) break;
        if (rule.onlyWith && !operandPresent(line, rule.onlyWith)) continue;
        std::optional<std::int32_t>& value = v[std::size_t(n)];
        switch (rule.kind) {
        case OperandKind::Integer: value = intOperand(i, n, cmd); break;
        case OperandKind::Variable: value = numberOperand(i, n, cmd, "variable", kIntVarCount); break;
        case OperandKind::StringVariable: value = numberOperand(i, n, cmd, "string variable", kStrVarCount); break;
        case OperandKind::Object:
            value = rule.rangeCheckedByHandler ? intOperand(i, n, cmd)
                                               : numberOperand(i, n, cmd, "object", kObjectCount);
            break;
        case OperandKind::None:
        case OperandKind::Text:
        case OperandKind::Label:
        case OperandKind::File: break;  // labels and files are checked by their own rules
        }
    }
    return v;
}

// A file that a command opens, by what a missing or broken one does.
void SceneChecker::checkFile(int at, const QString& cmd, const FileUse& f, const std::string& operand) {
    const std::string name = operand + std::string(f.extension);
    switch (f.kind) {
    case FileKind::Scene:
        if (!fileExists(name)) {
            QString m = QStringLiteral(
                            "%1: scene file %2 not found: the player shows its missing-scene notice "
                            "and ends")
                            .arg(cmd, quoted(name));
            const std::size_t e = f.extension.size();
            if (e && operand.size() > e && equalsIgnoreCase(operand.substr(operand.size() - e), f.extension))
                m += QStringLiteral(" (%1 adds '%2' itself)").arg(cmd, QLatin1String(f.extension.data(), qsizetype(e)));
            error(at, m, f.operand);
        } else {
            scenes_.push_back(operand);
        }
        break;
    case FileKind::Face:
        if (!fileExists(name))
            warning(at, QStringLiteral("%1: face picture %2 not found: %1 does nothing").arg(cmd, quoted(name)),
                    f.operand);
        else checkBitmap(at, cmd, name, f.operand);
        break;
    case FileKind::Picture: checkBitmap(at, cmd, name, f.operand); break;
    case FileKind::Media: checkMedia(at, cmd, name, f.operand); break;
    case FileKind::None: break;
    }
}

void SceneChecker::checkCommands() {
    for (int i = 0; i < count(); ++i) {
        const std::string& line = body(i);
        if (!isCommandLine(line) || line.size() == 1) continue;
        const CommandRow* row = findCommand(line);
        if (!row) {
            // Two letters followed by a comma, or alone on an unused line,
            // read as a mistyped command rather than as a label or a note.
            const std::string w = commandWord(line);
            const bool looksLikeCommand = w.size() == 2 && isAsciiLetter(w[0]) && isAsciiLetter(w[1]) &&
                                          ((line.size() > 3 && line[3] == ',') ||
                                           (line.size() == 3 && !referencedLines_.count(i)));
            if (looksLikeCommand)
                warning(lineOf(i), QStringLiteral("unknown command %1: the player ignores the line")
                                       .arg(QString::fromLatin1(w.c_str())));
            continue;
        }
        // A label that happens to begin with a command word is reported
        // with the label; its missing operands say nothing new.
        if (referencedLines_.count(i) && line.find(',') == std::string::npos) continue;
        checkCommand(i, *row);
    }
}

// The operands by their kinds, then the rules of single commands that
// their kinds do not say: files, tables of lines, verb positions.
void SceneChecker::checkCommand(int i, const CommandRow& row) {
    const std::string& line = body(i);
    const QString cmd = wordText(row);
    const std::string_view w = row.word;
    const int at = lineOf(i);
    lineFailed_ = false;
    const auto v = operands(i, row, cmd);
    for (const FileUse& f : row.files) {
        if (f.operand == 0) continue;
        if (f.modeOperand && !(v[f.modeOperand] && f.opensWithMode(*v[f.modeOperand]))) continue;
        checkFile(at, cmd, f, GetField(f.operand, line));
    }
    if (row.tableOperand) {
        const auto& k = v[row.tableOperand];
        if (k && *k > 0 && std::int64_t(i) + *k >= count())
            error(at, QStringLiteral("%1: the table of %2 lines runs past the end of the file: the run stops "
                                     "with %3")
                          .arg(cmd)
                          .arg(*k)
                          .arg(playerText(listIndexError(count()))));
    }
    if (w == "DV") {
        const auto& p = v[2];
        if (p && (*p < 0 || *p > 5))
            error(at, QStringLiteral("DV: verb position %1 is outside 0..5: %2").arg(*p).arg(playerText(rangeError())));
    } else if (w == "UN") {
        if (v[2] && v[3] && v[4] && v[5] && *v[2] != -1 && !clickable({*v[2], *v[3], *v[4], *v[5]}))
            warning(at, QStringLiteral("UN: Left > Right or Top > Bottom, so the object can never be clicked "
                                       "(the order is Left,Right,Top,Bottom)"));
    } else if (w == "UV") {
        const auto& o = v[1];
        const auto& p = v[2];
        if (p && *p > 5)
            warning(at, QStringLiteral("UV: verb position %1 is above 5: the player shows %2 and stores nothing")
                            .arg(*p)
                            .arg(QStringLiteral("\"動詞追加の値が適切ではありません\"")));
        else if (p && *p < 0)
            error(at, QStringLiteral("UV: verb position %1 is below 0: %2").arg(*p).arg(playerText(rangeError())));
        else if (o && p && (*o < 1 || *o > kObjectCount))
            error(at, QStringLiteral("UV: object number %1 is outside 1..%2: %3")
                          .arg(*o)
                          .arg(kObjectCount)
                          .arg(playerText(rangeError())));
    }
}

}  // namespace qel::check
