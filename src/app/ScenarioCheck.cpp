#include "app/ScenarioCheck.h"

#include "engine/Commands.h"
#include "engine/ObjectLogic.h"
#include "engine/Script.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "platform/MidiDuration.h"
#include "platform/ShownText.h"
#include "scene/Bitmap.h"
#include "scene/Scene.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <unordered_map>

namespace qel {

namespace {

bool isCommandLine(const std::string& line) { return !line.empty() && line[0] == '.'; }
bool runsCommand(const std::string& line) {
    return isCommandLine(line) && (line.size() == 1 || findCommand(line) != nullptr);
}
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
QString wordText(const CommandRow& row) { return QString::fromLatin1(row.word.data(), qsizetype(row.word.size())); }

QString quoted(const std::string& cp932) { return QLatin1Char('\'') + decode(cp932) + QLatin1Char('\''); }
QString playerText(const GameError& e) { return decode(e.text()); }

// Bitmaps and media files met so far, with the player's error text for each
// ("" when it loads), so that a picture used a hundred times is read once.
struct FileVerdicts {
    std::map<std::string, std::string> bitmaps;
    std::map<std::string, QString> media;
};

// One object of the header, or one defined by UN in the body.
struct ObjectDef {
    int slot = 0;
    int fileLine = 0;  // where its name is written
    std::string name;
    std::vector<std::string> verbs;  // the non-empty ones
};

// A place that needs a label: a command's label operand, an IM table line or
// an object click.
struct LabelRef {
    enum Kind { Operand, TableLine, Click } kind;
    Landing landing;  // where the run goes on from the label line
    int fileLine;
    int field;  // where the label is written (-1: the whole line)
    std::string label;  // without the dot
    QString what;       // the command word, or the object and verb, for messages
};

class SceneChecker {
public:
    SceneChecker(QString fileName, std::vector<std::string> lines, std::vector<CheckIssue>& out, FileVerdicts& files)
        : fileName_(std::move(fileName)), lines_(std::move(lines)), out_(out), files_(files) {}

    void run() {
        if (!readHeader()) return;
        indexLabels();
        checkStart();
        collectReferences();
        checkCommands();
        resolveReferences();
        checkLastLine();
    }

    // Scene names that JS enters, in the order they appear.
    const std::vector<std::string>& scenes() const { return scenes_; }

private:
    // --- reporting -------------------------------------------------------
    void issue(int fileLine, bool error, const QString& message, int field) {
        out_.push_back({fileName_, fileLine, error, message, field});
    }
    void error(int fileLine, const QString& m, int field = -1) { issue(fileLine, true, m, field); }
    void warning(int fileLine, const QString& m, int field = -1) { issue(fileLine, false, m, field); }

    // --- body addressing -------------------------------------------------
    int count() const { return int(lines_.size()) - body_; }
    const std::string& body(int i) const { return lines_[std::size_t(body_ + i)]; }
    int lineOf(int i) const { return body_ + i + 1; }

    // --- file checks ------------------------------------------------------
    // Loads a bitmap the way the player does; the player's error text, or "".
    const std::string& bitmapVerdict(const std::string& name) {
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
    void checkBitmap(int fileLine, const QString& what, const std::string& name, int field = -1) {
        const std::string& v = bitmapVerdict(name);
        if (!v.empty()) error(fileLine, what + QStringLiteral(": ") + decode(v), field);
    }

    // A music or sound file as MP and WP open it: it must exist, and a MIDI
    // file must parse.
    void checkMedia(int fileLine, const QString& cmd, const std::string& name, int field) {
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

    // --- operands ---------------------------------------------------------
    // The player stops a command at its first bad operand, so each line
    // reports only its first one (lineFailed_).
    std::optional<std::int32_t> intOperand(int i, int n, const QString& cmd) {
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
    std::optional<std::int32_t> numberOperand(int i, int n, const QString& cmd, const char* table, int last) {
        auto v = intOperand(i, n, cmd);
        if (v && (*v < 1 || *v > last)) {
            error(lineOf(i), QStringLiteral("%1: %2 number %3 is outside 1..%4: %5")
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
    std::array<std::optional<std::int32_t>, kMaxOperands + 1> operands(int i, const CommandRow& row, const QString& cmd) {
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

    // --- header -----------------------------------------------------------
    std::string cutWord(int fileLine, const std::string& w, const char* what) {
        if (w.size() <= kWordBytes) return w;
        warning(fileLine, QStringLiteral("%1 %2 is longer than %3 bytes and is cut to %4")
                              .arg(QLatin1String(what), quoted(w))
                              .arg(kWordBytes)
                              .arg(quoted(cutBytes(w, kWordBytes))));
        return cutBytes(w, kWordBytes);
    }

    bool readHeader() {
        if (lines_.empty()) {
            error(1, QStringLiteral("empty scene file: loading fails with %1").arg(playerText(listIndexError(0))));
            return false;
        }
        const std::string& bg = lines_[0];
        checkBitmap(1, QStringLiteral("background"), GetField(0, bg) + ".BMP");
        if (const std::string version = GetField(1, bg); !version.empty()) {
            try {
                if (StrToInt(version) > kNewestDataVersion)
                    warning(1, QStringLiteral("data version %1 is above %2: the player shows its newer-version notice")
                                   .arg(decode(version))
                                   .arg(kNewestDataVersion));
            } catch (const GameError& e) {
                error(1, QStringLiteral("data version: %1").arg(playerText(e)));
            }
        }

        std::size_t i = 1;
        for (int k = 1;; ++k, i += 2) {
            if (i >= lines_.size()) {
                error(int(lines_.size()), QStringLiteral("the header has no terminator ';': loading fails with %1")
                                              .arg(playerText(listIndexError(0))));
                return false;
            }
            const std::string& rect = lines_[i];
            const int rectLine = int(i) + 1;
            if (rect == ";") break;
            if (rect.find_first_not_of(" \t") != std::string::npos && rect.find(';') != std::string::npos &&
                rect.find_first_not_of(" \t;") == std::string::npos) {
                error(rectLine, QStringLiteral("the header terminator must be ';' alone, without blanks: loading "
                                               "reads this line as an object and fails with %1")
                                    .arg(playerText(notIntegerError(GetField(0, rect)))));
                break;  // the body surely starts after it
            }
            if (k == kObjectCount + 1)
                error(rectLine, QStringLiteral("more than %1 objects: loading fails with %2")
                                    .arg(kObjectCount)
                                    .arg(playerText(rangeError())));

            std::int32_t value[4] = {0, 0, 0, 0};
            bool rectOk = true;
            for (int j = 0; j < 4 && rectOk; ++j) {
                try {
                    value[j] = StrToInt(GetField(j, rect));
                } catch (const GameError& e) {
                    rectOk = false;
                    QString m = QStringLiteral("object %1 rectangle: %2").arg(k).arg(playerText(e));
                    if (isCommandLine(rect)) {
                        error(rectLine, m + QStringLiteral(" (is the header terminator ';' missing?)"));
                        return false;
                    }
                    error(rectLine, m);
                }
            }
            if (rectOk && value[0] != -1 && !clickable({value[0], value[1], value[2], value[3]}))
                warning(rectLine, QStringLiteral("object %1: Left > Right or Top > Bottom, so it can never be clicked "
                                                 "(the order is Left,Right,Top,Bottom)")
                                      .arg(k));

            if (i + 1 >= lines_.size()) {
                error(rectLine, QStringLiteral("object %1 has no words line and the header no ';': loading fails with %2")
                                    .arg(k)
                                    .arg(playerText(listIndexError(0))));
                return false;
            }
            const std::string& words = lines_[i + 1];
            const int wordsLine = rectLine + 1;
            if (words == ";") {
                error(wordsLine, QStringLiteral("object %1 has no words line: the terminator ';' is read as its "
                                                "words and the header runs on")
                                     .arg(k));
                i += 1;
                break;
            }
            const auto commas = std::count(words.begin(), words.end(), ',');
            if (commas >= 1 && commas < 5)
                warning(wordsLine, QStringLiteral("words line with %1 comma(s): the missing verbs repeat %2; "
                                                  "write %3")
                                       .arg(commas)
                                       .arg(quoted(GetField(5, words)),
                                            quoted(words + std::string(std::size_t(5 - commas), ','))));
            ObjectDef def{k, wordsLine, cutWord(wordsLine, GetField(0, words), "name"), {}};
            for (int j = 1; j <= 5; ++j) {
                std::string verb = cutWord(wordsLine, GetField(j, words), "verb");
                if (!verb.empty() && std::find(def.verbs.begin(), def.verbs.end(), verb) == def.verbs.end())
                    def.verbs.push_back(verb);
                if (commas < 5 && j >= commas) break;  // the repeats add nothing new
            }
            if (k <= kObjectCount) {
                headerNames_[k] = def.name;
                headerVerbs_[k] = def.verbs;
                // Only an object that a click can reach needs its labels.
                if (rectOk && clickable({value[0], value[1], value[2], value[3]}))
                    headerObjects_.push_back(def);
            }
        }
        body_ = int(i) + 1;
        return true;
    }

    // --- labels -----------------------------------------------------------
    void indexLabels() {
        for (int i = 0; i < count(); ++i)
            if (isCommandLine(body(i))) labels_[foldCase(body(i))].push_back(i);
    }
    const std::vector<int>* findLabel(const std::string& name) const {
        auto it = labels_.find(foldCase("." + name));
        return it == labels_.end() ? nullptr : &it->second;
    }

    void checkStart() {
        if (findLabel("Start")) return;
        for (int i = 0; i < count(); ++i)
            if (body(i) == ";") {
                warning(body_, QStringLiteral("no '.Start' label: the scene begins at its first ';' line (line %1)")
                                   .arg(lineOf(i)));
                return;
            }
        error(body_, QStringLiteral("no '.Start' label and no ';' line: loading fails with %1")
                         .arg(playerText(listIndexError(count()))));
    }

    // --- references ---------------------------------------------------------
    void collectReferences() {
        std::map<int, std::vector<std::pair<std::string, int>>> unNames;  // slot -> names with lines
        std::map<int, std::vector<std::pair<std::string, int>>> uvVerbs;  // slot -> verbs with lines
        for (int i = 0; i < count(); ++i) {
            const std::string& line = body(i);
            const CommandRow* row = isCommandLine(line) ? findCommand(line) : nullptr;
            if (!row) continue;
            const std::string_view w = row->word;
            const QString cmd = wordText(*row);
            auto number = [&](int n) -> std::optional<std::int32_t> {
                try {
                    return StrToInt(GetField(n, line));
                } catch (const GameError&) {
                    return std::nullopt;
                }
            };
            // A label operand after other operands is reached only on a line
            // with operands: without any, the line fails on its first one.
            const bool hasOperands = line.find(',') != std::string::npos;
            for (int n = 1; n <= kMaxOperands; ++n)
                if (row->operand(n).kind == OperandKind::Label && (n == 1 || hasOperands))
                    refs_.push_back({LabelRef::Operand, row->landing, lineOf(i), n, GetField(n, line), cmd});
            if (row->tableOperand && hasOperands) {
                // The table lines below name labels too.
                auto k = number(row->tableOperand);
                for (int t = 1; k && t <= *k && i + t < count(); ++t) {
                    refs_.push_back({LabelRef::TableLine, kAtLabel, lineOf(i + t), -1, body(i + t), cmd});
                    tableLines_.insert(i + t);
                }
            }
            if (w == "UN") {
                auto o = number(1);
                auto l = number(2), r = number(3), t = number(4), b = number(5);
                const bool canClick = l && r && t && b && clickable({*l, *r, *t, *b});
                if (o && *o >= 1 && *o <= kObjectCount && canClick)
                    unNames[*o].push_back({cutBytes(GetField(6, line), kWordBytes), lineOf(i)});
            } else if (w == "UV") {
                auto o = number(1);
                auto p = number(2);
                const std::string verb = cutBytes(GetField(3, line), kWordBytes);
                if (o && p && *o >= 1 && *o <= kObjectCount && *p >= 0 && *p <= 5 && !verb.empty())
                    uvVerbs[*o].push_back({verb, lineOf(i)});
            }
        }

        // Object clicks: an object with verbs needs "." + name + verb for each
        // verb, a name-only one "." + name.
        auto click = [&](int line, const std::string& name, const std::string& verb) {
            if (name.empty()) return;
            const QString what = verb.empty()
                                     ? QStringLiteral("object %1").arg(quoted(name))
                                     : QStringLiteral("object %1, verb %2").arg(quoted(name), quoted(verb));
            if (clickLabels_.insert(foldCase(name + verb)).second)
                refs_.push_back({LabelRef::Click, kAfterLabel, line, -1, name + verb, what});
        };
        for (const ObjectDef& o : headerObjects_) {
            for (const std::string& v : o.verbs) click(o.fileLine, o.name, v);
            if (o.verbs.empty() && !uvVerbs.count(o.slot)) click(o.fileLine, o.name, {});
        }
        for (const auto& [slot, names] : unNames)
            for (const auto& [name, line] : names) {
                for (const std::string& v : headerVerbs_[slot]) click(line, name, v);
                if (headerVerbs_[slot].empty() && !uvVerbs.count(slot)) click(line, name, {});
            }
        for (const auto& [slot, verbs] : uvVerbs)
            for (const auto& [verb, line] : verbs) {
                const auto object = slot;  // clang 14 cannot capture a structured binding in a lambda
                bool headerObject = std::any_of(headerObjects_.begin(), headerObjects_.end(),
                                                [&](const ObjectDef& o) { return o.slot == object; });
                if (headerObject) click(line, headerNames_[slot], verb);
                if (auto it = unNames.find(slot); it != unNames.end())
                    for (const auto& un : it->second) click(line, un.first, verb);
            }

        for (const LabelRef& r : refs_)
            if (const auto* at = findLabel(r.label)) referencedLines_.insert(at->front());
    }

    // True when a run coming from the line above can pass line i.
    bool runReaches(int i) const {
        if (i == 0) return false;
        const std::string& prev = body(i - 1);
        if (prev == ";") return false;
        const CommandRow* row = isCommandLine(prev) ? findCommand(prev) : nullptr;
        return !row || row->fallsThrough;
    }

    void resolveReferences() {
        std::set<int> reportedDuplicates, reportedCommandLabels;
        for (const LabelRef& r : refs_) {
            const QString label = quoted("." + r.label);
            const auto* at = findLabel(r.label);
            if (!at) {
                // FindLabel leaves TargetLine at -1, so the run goes on at landing - 2.
                const int missingAt = int(r.landing) - 2;
                if (r.kind == LabelRef::Click)
                    warning(r.fileLine, QStringLiteral("%1 has no label %2: the click does nothing").arg(r.what, label), r.field);
                else if (missingAt >= 0)
                    warning(r.fileLine, QStringLiteral("%1 to missing label %2: the run goes on at the first body "
                                                       "line (line %3)")
                                            .arg(r.what, label)
                                            .arg(lineOf(missingAt)), r.field);
                else
                    error(r.fileLine, QStringLiteral("%1 %2 missing label %3: the run stops with %4")
                                          .arg(r.what,
                                               r.kind == LabelRef::TableLine ? QStringLiteral("table line names")
                                                                             : QStringLiteral("to"),
                                               label, playerText(listIndexError(missingAt))), r.field);
                continue;
            }
            const int l = at->front();
            if (at->size() > 1 && reportedDuplicates.insert(l).second)
                for (std::size_t d = 1; d < at->size(); ++d)
                    warning(lineOf((*at)[d]), QStringLiteral("label %1 is defined again: the upper one (line %2) wins")
                                                  .arg(label)
                                                  .arg(lineOf(l)));

            const int next = l + r.landing;
            if (next >= count())
                error(r.fileLine, QStringLiteral("label %1 is too near the end of the file: the run stops with %2")
                                      .arg(label, playerText(listIndexError(next))));
            if (r.landing == kAfterSkippedLine && l + 1 < count()) {
                const std::string& skipped = body(l + 1);
                if (skipped == ";" || runsCommand(skipped) || (!skipped.empty() && !isCommandLine(skipped)))
                    warning(r.fileLine, QStringLiteral("%1 never runs line %2, right after label %3: %1 goes on two "
                                                       "lines below its label (put a spare line such as '.--' there)")
                                            .arg(r.what)
                                            .arg(lineOf(l + 1))
                                            .arg(label));
            }
            if (runsCommand(body(l)) && body(l).size() > 1 &&
                (r.kind == LabelRef::TableLine || runReaches(l)) && reportedCommandLabels.insert(l).second)
                warning(lineOf(l), QStringLiteral("label %1 begins with the command word %2: a run that reaches it "
                                                  "runs it as %2")
                                       .arg(label, QString::fromLatin1(commandWord(body(l)).c_str())));
        }
    }

    // A file that a command opens, by what a missing or broken one does.
    void checkFile(int at, const QString& cmd, const FileUse& f, const std::string& operand) {
        const std::string name = operand + std::string(f.extension);
        switch (f.kind) {
        case FileKind::Scene:
            if (!fileExists(name)) {
                QString m = QStringLiteral("%1: scene file %2 not found: the player shows its missing-scene notice "
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
                warning(at, QStringLiteral("%1: face picture %2 not found: %1 does nothing").arg(cmd, quoted(name)), f.operand);
            else
                checkBitmap(at, cmd, name, f.operand);
            break;
        case FileKind::Picture: checkBitmap(at, cmd, name, f.operand); break;
        case FileKind::Media: checkMedia(at, cmd, name, f.operand); break;
        case FileKind::None: break;
        }
    }

    // --- commands -----------------------------------------------------------
    void checkCommands() {
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
    void checkCommand(int i, const CommandRow& row) {
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

    // The run stops before the last line of the store, so that line never runs.
    void checkLastLine() {
        if (count() == 0) return;
        const std::string& last = body(count() - 1);
        if (last.empty() || last == ";" || tableLines_.count(count() - 1)) return;
        if (runsCommand(last))
            warning(lineOf(count() - 1), QStringLiteral("the last line of the file is never run: end the file with ';'"));
        else if (!isCommandLine(last))
            warning(lineOf(count() - 1), QStringLiteral("the last line of the file is never shown: end the file with ';'"));
    }

    QString fileName_;
    std::vector<std::string> lines_;
    std::vector<CheckIssue>& out_;
    FileVerdicts& files_;
    int body_ = 0;  // index in lines_ of the first body line
    bool lineFailed_ = false;

    std::vector<ObjectDef> headerObjects_;  // the ones a click can reach
    std::map<int, std::string> headerNames_;
    std::map<int, std::vector<std::string>> headerVerbs_;
    std::unordered_map<std::string, std::vector<int>> labels_;  // folded line -> body lines
    std::vector<LabelRef> refs_;
    std::set<std::string> clickLabels_;
    std::set<int> referencedLines_;
    std::set<int> tableLines_;
    std::vector<std::string> scenes_;
};

// Restores the current folder when the check is over.
class FolderGuard {
public:
    explicit FolderGuard(const QString& folder) : previous_(QDir::currentPath()) { ok_ = QDir::setCurrent(folder); }
    ~FolderGuard() { QDir::setCurrent(previous_); }
    bool ok() const { return ok_; }

private:
    QString previous_;
    bool ok_ = false;
};

std::optional<std::vector<std::string>> readLines(const QString& path, const CheckOptions& options) {
    if (auto given = options.texts.find(QFileInfo(path).absoluteFilePath()); given != options.texts.end())
        return SplitSceneLines(given->second);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return std::nullopt;
    return SplitSceneLines(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

} // namespace

QString CheckIssue::text() const {
    return QStringLiteral("%1:%2: %3: %4").arg(file).arg(line).arg(error ? QLatin1String("error") : QLatin1String("warning"), message);
}

int CheckReport::errors() const {
    return int(std::count_if(issues.begin(), issues.end(), [](const CheckIssue& i) { return i.error; }));
}

int CheckReport::warnings() const { return int(issues.size()) - errors(); }

std::optional<CheckReport> CheckScenario(const QString& target, QString* failure, const CheckOptions& options) {
    auto fail = [&](const QString& why) -> std::optional<CheckReport> {
        if (failure) *failure = why;
        return std::nullopt;
    };
    const QString given = target.isEmpty() ? QDir::currentPath() : target;
    const QFileInfo info(given);
    QString folder = given, startFile;
    if (info.isFile()) {
        folder = info.absolutePath();
        startFile = info.fileName();
    } else if (!info.isDir()) {
        return fail(QStringLiteral("cannot find %1").arg(given));
    }
    FolderGuard inFolder(folder);
    if (!inFolder.ok() || !QDir(QStringLiteral(".")).isReadable())
        return fail(QStringLiteral("cannot read the folder %1").arg(folder));
    if (startFile.isEmpty()) {
        auto found = findFile("Opning.dat");
        if (!found) return fail(QStringLiteral("no Opning.dat in %1").arg(folder));
        startFile = *found;
    }

    CheckReport report;
    FileVerdicts files;
    std::vector<QString> queue{startFile};
    std::set<QString> seen{QFileInfo(startFile).canonicalFilePath()};
    auto checkFile = [&](const QString& path, bool start) -> bool {
        const QString name = QFileInfo(path).fileName();
        auto lines = readLines(path, options);
        if (!lines) {
            if (start) return false;
            report.issues.push_back({name, 1, true, playerText(cannotOpenError(encode(name)))});
            return true;
        }
        std::vector<CheckIssue> issues;
        SceneChecker scene(name, std::move(*lines), issues, files);
        scene.run();
        std::stable_sort(issues.begin(), issues.end(),
                         [](const CheckIssue& a, const CheckIssue& b) { return a.line < b.line; });
        report.issues.insert(report.issues.end(), issues.begin(), issues.end());
        for (const std::string& s : scene.scenes())
            if (auto p = findFile(s + ".dat"); p && seen.insert(QFileInfo(*p).canonicalFilePath()).second)
                queue.push_back(*p);
        return true;
    };

    // The start scene, the scenes JS reaches from it, then every other scene file.
    for (std::size_t q = 0; q < queue.size(); ++q)
        if (!checkFile(queue[q], q == 0)) return fail(QStringLiteral("cannot read %1").arg(queue[q]));
    const QStringList others =
        QDir(QStringLiteral(".")).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (options.reachedOnly) return report;
    for (const QString& f : others)
        if (seen.insert(QFileInfo(f).canonicalFilePath()).second) checkFile(f, false);
    return report;
}

int RunScenarioCheck(const QString& target, std::FILE* out, std::FILE* err) {
    QString failure;
    auto report = CheckScenario(target, &failure);
    if (!report) {
        writeTerminal(err, QStringLiteral("qelplayer: %1\n").arg(failure));
        return 2;
    }
    for (const CheckIssue& i : report->issues) writeTerminal(out, i.text() + QLatin1Char('\n'));
    writeTerminal(out, QStringLiteral("%1 errors, %2 warnings\n").arg(report->errors()).arg(report->warnings()));
    return report->errors() > 0 ? 1 : 0;
}

} // namespace qel
