// The checks of a scene's header, its labels and the references to them:
// object clicks, label operands and table lines, and where a run can go.
#include "app/SceneChecker.h"

#include "engine/GameState.h"
#include "engine/ObjectLogic.h"
#include "script/Script.h"
#include "scene/Scene.h"

#include <algorithm>

namespace qel::check {

std::string SceneChecker::cutWord(int fileLine, const std::string& w, const char* what) {
    if (w.size() <= kWordBytes) return w;
    warning(fileLine, QStringLiteral("%1 %2 is longer than %3 bytes and is cut to %4")
                          .arg(QLatin1String(what), quoted(w))
                          .arg(kWordBytes)
                          .arg(quoted(cutBytes(w, kWordBytes))));
    return cutBytes(w, kWordBytes);
}

bool SceneChecker::readHeader() {
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
            warning(wordsLine,
                    QStringLiteral("words line with %1 comma(s): the missing verbs repeat %2; "
                                   "write %3")
                        .arg(commas)
                        .arg(quoted(GetField(5, words)), quoted(words + std::string(std::size_t(5 - commas), ','))));
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
            if (rectOk && clickable({value[0], value[1], value[2], value[3]})) headerObjects_.push_back(def);
        }
    }
    body_ = int(i) + 1;
    return true;
}

void SceneChecker::indexLabels() {
    for (int i = 0; i < count(); ++i)
        if (isCommandLine(body(i))) labels_[foldCase(body(i))].push_back(i);
}
const std::vector<int>* SceneChecker::findLabel(const std::string& name) const {
    auto it = labels_.find(foldCase("." + name));
    return it == labels_.end() ? nullptr : &it->second;
}

void SceneChecker::checkStart() {
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

void SceneChecker::collectReferences() {
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
        const QString what = verb.empty() ? QStringLiteral("object %1").arg(quoted(name))
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
bool SceneChecker::runReaches(int i) const {
    if (i == 0) return false;
    const std::string& prev = body(i - 1);
    if (prev == ";") return false;
    const CommandRow* row = isCommandLine(prev) ? findCommand(prev) : nullptr;
    return !row || row->fallsThrough;
}

void SceneChecker::resolveReferences() {
    std::set<int> reportedDuplicates, reportedCommandLabels;
    for (const LabelRef& r : refs_) {
        const QString label = quoted("." + r.label);
        const auto* at = findLabel(r.label);
        if (!at) {
            // FindLabel leaves TargetLine at -1, so the run goes on at landing - 2.
            const int missingAt = int(r.landing) - 2;
            if (r.kind == LabelRef::Click)
                warning(r.fileLine, QStringLiteral("%1 has no label %2: the click does nothing").arg(r.what, label),
                        r.field);
            else if (missingAt >= 0)
                warning(r.fileLine,
                        QStringLiteral("%1 to missing label %2: the run goes on at the first body "
                                       "line (line %3)")
                            .arg(r.what, label)
                            .arg(lineOf(missingAt)),
                        r.field);
            else
                error(r.fileLine,
                      QStringLiteral("%1 %2 missing label %3: the run stops with %4")
                          .arg(r.what,
                               r.kind == LabelRef::TableLine ? QStringLiteral("table line names")
                                                             : QStringLiteral("to"),
                               label, playerText(listIndexError(missingAt))),
                      r.field);
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
        if (runsCommand(body(l)) && body(l).size() > 1 && (r.kind == LabelRef::TableLine || runReaches(l)) &&
            reportedCommandLabels.insert(l).second)
            warning(lineOf(l), QStringLiteral("label %1 begins with the command word %2: a run that reaches it "
                                              "runs it as %2")
                                   .arg(label, QString::fromLatin1(commandWord(body(l)).c_str())));
    }
}

// The run stops before the last line of the store, so that line never runs.
void SceneChecker::checkLastLine() {
    if (count() == 0) return;
    const std::string& last = body(count() - 1);
    if (last.empty() || last == ";" || tableLines_.count(count() - 1)) return;
    if (runsCommand(last))
        warning(lineOf(count() - 1), QStringLiteral("the last line of the file is never run: end the file with ';'"));
    else if (!isCommandLine(last))
        warning(lineOf(count() - 1), QStringLiteral("the last line of the file is never shown: end the file with ';'"));
}

}  // namespace qel::check
