#include "app/DebugAdapter.h"

#include "script/Script.h"
#include "platform/Cp932.h"
#include "platform/FileLookup.h"
#include "platform/Waits.h"
#include "scene/Scene.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

namespace qel {

namespace {

// The client's references of the four scopes.
enum Scope { kIntegers = 1, kStrings, kObjects, kScene };

std::string foldedName(const QString& path) {
    QString name = path;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return foldCase(encode(name.mid(name.lastIndexOf(QLatin1Char('/')) + 1)));
}

// The file's lines that the script store holds: those after the header.
std::pair<std::int64_t, std::int64_t> bodyLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {0, 0};
    const QByteArray bytes = f.readAll();
    const std::vector<std::string> lines = SplitSceneLines(
        std::string_view(bytes.constData(), std::size_t(bytes.size())));
    for (std::size_t i = 1; i < lines.size(); i += 2)
        if (lines[i] == ";") return {std::int64_t(i) + 2, std::int64_t(lines.size())};
    return {0, 0};
}

QString text(const std::string& cp932) { return decode(cp932); }

}  // namespace

bool BreakCondition::holds(const GameState& st) const {
    int c = 0;
    if (stringVar) {
        const QString v = text(st.StrVars[number]);
        c = v.compare(value, Qt::CaseInsensitive);
    } else {
        const std::int64_t v = st.IntVars[number], w = value.toLongLong();
        c = v < w ? -1 : v > w ? 1 : 0;
    }
    if (op == QLatin1String("=")) return c == 0;
    if (op == QLatin1String("<>")) return c != 0;
    if (op == QLatin1String("<")) return c < 0;
    if (op == QLatin1String(">")) return c > 0;
    if (op == QLatin1String("<=")) return c <= 0;
    return c >= 0;
}

std::optional<BreakCondition> parseBreakCondition(const QString& condition, QString* why) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(IntVars|StrVars)\s*\[\s*(\d+)\s*\]\s*(<>|<=|>=|=|<|>)\s*(.*?)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(condition);
    if (!m.hasMatch()) {
        *why = QStringLiteral("write a condition as IntVars[N] = VALUE or StrVars[N] = TEXT (= <> < > <= >=)");
        return std::nullopt;
    }
    BreakCondition c;
    c.stringVar = m.captured(1).compare(QLatin1String("StrVars"), Qt::CaseInsensitive) == 0;
    c.number = m.captured(2).toInt();
    c.op = m.captured(3);
    c.value = m.captured(4);
    const int last = c.stringVar ? kStrVarCount : kIntVarCount;
    bool isNumber = false;
    c.value.toLongLong(&isNumber);
    if (c.number < 1 || c.number > last) {
        *why = QStringLiteral("the variable number is outside 1..%1").arg(last);
        return std::nullopt;
    }
    if (!c.stringVar && !isNumber) {
        *why = QStringLiteral("'%1' is not a number").arg(c.value);
        return std::nullopt;
    }
    return c;
}

DebugAdapter::DebugAdapter(JsonChannel& channel) : channel_(channel) {
    connect(&channel_, &JsonChannel::received, this, &DebugAdapter::handle);
    connect(&channel_, &JsonChannel::closed, this, [this] {
        disconnected_ = true;
        paused_ = false;
        wakeWaits();
        if (game_) {
            requestQuit();
            QCoreApplication::exit(0);
        }
    });
}

std::optional<LaunchRequest> DebugAdapter::waitForLaunch() {
    waitUntil([this] { return (launch_ && configured_) || disconnected_; });
    if (disconnected_) return std::nullopt;
    return launch_;
}

void DebugAdapter::attach(Game& g) {
    game_ = &g;
    updateHook();
}

void DebugAdapter::updateHook() {
    // Without a breakpoint, a step or a pause to come, the run loop is not
    // told of its lines at all: its one test of the hook pointer fails.
    if (game_) game_->lineHook = stepping_ || pauseRequested_ || !breakpoints_.empty() ? this : nullptr;
}

void DebugAdapter::ended(int status) {
    sendEvent(QStringLiteral("exited"), {{"exitCode", status}});
    sendEvent(QStringLiteral("terminated"));
}

void DebugAdapter::sendEvent(const QString& name, const QJsonObject& body) {
    QJsonObject m{{"seq", seq_++}, {"type", "event"}, {"event", name}};
    if (!body.isEmpty()) m.insert("body", body);
    channel_.send(m);
}

void DebugAdapter::beforeLine(Game& g, std::int64_t index) {
    if (stepping_ || pauseRequested_) {
        const QString reason = stepping_ ? QStringLiteral("step") : QStringLiteral("pause");
        stepping_ = pauseRequested_ = false;
        updateHook();
        pausedAt_ = index;
        stop(reason);
        return;
    }
    auto file = breakpoints_.find(foldedName(text(g.st.ScriptLines.source())));
    if (file == breakpoints_.end()) return;
    auto bp = file->second.find(g.st.ScriptLines.fileLine(index));
    if (bp == file->second.end()) return;
    if (bp->second.condition && !bp->second.condition->holds(g.st)) return;
    pausedAt_ = index;
    stop(QStringLiteral("breakpoint"));
}

void DebugAdapter::stop(const QString& reason) {
    paused_ = true;
    sendEvent(QStringLiteral("stopped"), {{"reason", reason}, {"threadId", 1}, {"allThreadsStopped", true}});
    waitUntil([this] { return !paused_; });
    if (game_) noteWait(*game_);  // the time paused is no run without a wait
}

void DebugAdapter::handle(const QJsonObject& message) {
    if (message.value("type") != QLatin1String("request")) return;
    const QString command = message.value("command").toString();
    QString error;
    const QJsonValue body = answer(command, message.value("arguments").toObject(), &error);
    QJsonObject reply{{"seq", seq_++},
                      {"type", "response"},
                      {"request_seq", message.value("seq")},
                      {"command", command},
                      {"success", error.isEmpty()}};
    if (!error.isEmpty()) reply.insert("message", error);
    if (body.isObject()) reply.insert("body", body);
    channel_.send(reply);
    updateHook();
    if (command == QLatin1String("initialize")) sendEvent(QStringLiteral("initialized"));
    if (command == QLatin1String("disconnect") || command == QLatin1String("terminate")) {
        disconnected_ = true;
        paused_ = false;
        if (game_) {
            requestQuit();
            QCoreApplication::exit(0);
        }
    }
    wakeWaits();
}

QJsonValue DebugAdapter::answer(const QString& command, const QJsonObject& args, QString* error) {
    const bool stopped = paused_ && game_;
    if (command == QLatin1String("initialize"))
        return QJsonObject{{"supportsConfigurationDoneRequest", true},
                           {"supportsConditionalBreakpoints", true},
                           {"supportsSetVariable", true}};
    if (command == QLatin1String("launch")) {
        LaunchRequest l{args.value("program").toString(), args.value("replay").toString()};
        if (l.program.isEmpty() || !QFileInfo::exists(l.program)) {
            *error = QStringLiteral("no scenario folder or scene file at '%1'").arg(l.program);
            return {};
        }
        launch_ = l;
        return {};
    }
    if (command == QLatin1String("configurationDone")) {
        configured_ = true;
        return {};
    }
    if (command == QLatin1String("setBreakpoints")) {
        const QString path = args.value("source").toObject().value("path").toString();
        const auto [first, last] = bodyLines(path);
        std::map<std::int64_t, Breakpoint>& file = breakpoints_[foldedName(path)];
        file.clear();
        QJsonArray out;
        for (const QJsonValue& v : args.value("breakpoints").toArray()) {
            const QJsonObject b = v.toObject();
            const std::int64_t line = b.value("line").toInt();
            QJsonObject r{{"line", qint64(line)}};
            QString why;
            std::optional<BreakCondition> condition;
            if (const QString c = b.value("condition").toString(); !c.isEmpty())
                condition = parseBreakCondition(c, &why);
            if (why.isEmpty() && (line < first || line > last))
                why = last == 0 ? QStringLiteral("not a scene file the player can read")
                                : QStringLiteral("the line is not in the script (lines %1 to %2)").arg(first).arg(last);
            if (why.isEmpty()) {
                const int id = nextBreakpointId_++;
                file[line] = Breakpoint{id, condition};
                r.insert("id", id);
                r.insert("verified", true);
            } else {
                r.insert("verified", false);
                r.insert("message", why);
            }
            out.append(r);
        }
        if (file.empty()) breakpoints_.erase(foldedName(path));
        return QJsonObject{{"breakpoints", out}};
    }
    if (command == QLatin1String("threads"))
        return QJsonObject{{"threads", QJsonArray{QJsonObject{{"id", 1}, {"name", "script"}}}}};
    if (command == QLatin1String("pause")) {
        pauseRequested_ = true;
        return {};
    }
    if (command == QLatin1String("continue") || command == QLatin1String("next") ||
        command == QLatin1String("stepIn") || command == QLatin1String("stepOut")) {
        stepping_ = command != QLatin1String("continue");
        paused_ = false;
        return command == QLatin1String("continue") ? QJsonValue(QJsonObject{{"allThreadsContinued", true}})
                                                    : QJsonValue();
    }
    if (command == QLatin1String("stackTrace")) {
        QJsonArray frames;
        if (stopped) {
            const ScriptStore& store = game_->st.ScriptLines;
            const QString name = text(store.source());
            const auto path = findFile(store.source());
            frames.append(
                QJsonObject{{"id", 1},
                            {"name", QStringLiteral("%1:%2").arg(name).arg(store.fileLine(pausedAt_))},
                            {"source",
                             QJsonObject{{"name", name}, {"path", path ? QFileInfo(*path).absoluteFilePath() : name}}},
                            {"line", qint64(store.fileLine(pausedAt_))},
                            {"column", 1}});
        }
        return QJsonObject{{"stackFrames", frames}, {"totalFrames", frames.size()}};
    }
    if (command == QLatin1String("scopes")) {
        auto scope = [](const char* name, int ref, int count) {
            return QJsonObject{{"name", name},
                               {"variablesReference", ref},
                               {"namedVariables", count},
                               {"expensive", false}};
        };
        return QJsonObject{{"scopes", QJsonArray{scope("Integer variables", kIntegers, kIntVarCount),
                                                 scope("String variables", kStrings, kStrVarCount),
                                                 scope("Objects", kObjects, kObjectCount), scope("Scene", kScene, 4)}}};
    }
    if (command == QLatin1String("variables")) {
        if (!game_) return QJsonObject{{"variables", QJsonArray()}};
        return QJsonObject{{"variables", variables(args.value("variablesReference").toInt())}};
    }
    if (command == QLatin1String("setVariable")) {
        if (!game_) {
            *error = QStringLiteral("the game has not started");
            return {};
        }
        return setVariable(args.value("variablesReference").toInt(), args.value("name").toString(),
                           args.value("value").toString(), error);
    }
    if (command == QLatin1String("disconnect") || command == QLatin1String("terminate")) return {};
    *error = QStringLiteral("unknown request %1").arg(command);
    return {};
}

QJsonArray DebugAdapter::variables(int reference) const {
    const GameState& st = game_->st;
    QJsonArray out;
    auto add = [&out](const QString& name, const QString& value) {
        out.append(QJsonObject{{"name", name}, {"value", value}, {"variablesReference", 0}});
    };
    switch (reference) {
    case kIntegers:
        for (int n = 1; n <= kIntVarCount; ++n)
            add(QStringLiteral("IntVars[%1]").arg(n), QString::number(st.IntVars[n]));
        break;
    case kStrings:
        for (int n = 1; n <= kStrVarCount; ++n) add(QStringLiteral("StrVars[%1]").arg(n), text(st.StrVars[n]));
        break;
    case kObjects:
        for (int n = 1; n <= kObjectCount; ++n) {
            const ObjectRect& r = st.ObjectRects[n];
            if (r.Left == -1) continue;
            QStringList verbs;
            for (int v = 2; v <= 6; ++v)
                if (!st.ObjectWords[n][v].empty()) verbs << text(st.ObjectWords[n][v]);
            add(QStringLiteral("Object %1").arg(n), QStringLiteral("%1 (%2,%3,%4,%5) %6")
                                                        .arg(text(st.ObjectWords[n][1]))
                                                        .arg(r.Left)
                                                        .arg(r.Right)
                                                        .arg(r.Top)
                                                        .arg(r.Bottom)
                                                        .arg(verbs.join(QLatin1Char('/'))));
        }
        break;
    case kScene:
        add(QStringLiteral("SceneName"), text(st.SceneName));
        add(QStringLiteral("file"), text(st.ScriptLines.source()));
        add(QStringLiteral("line"), pausedAt_ >= 0 && paused_ ? QString::number(st.ScriptLines.fileLine(pausedAt_))
                                                              : QStringLiteral("(running)"));
        add(QStringLiteral("TargetLine"), QString::number(st.TargetLine));
        break;
    default: break;
    }
    return out;
}

QJsonObject DebugAdapter::setVariable(int reference, const QString& name, const QString& value, QString* error) {
    static const QRegularExpression form(QStringLiteral(R"(^(?:IntVars|StrVars)\[(\d+)\]$)"));
    const QRegularExpressionMatch m = form.match(name);
    const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
    GameState& st = game_->st;
    if (reference == kIntegers && n >= 1 && n <= kIntVarCount) {
        bool ok = false;
        const int v = value.trimmed().toInt(&ok);
        if (!ok) {
            *error = QStringLiteral("'%1' is not a number").arg(value);
            return {};
        }
        st.IntVars[n] = v;
        return {{"value", QString::number(v)}};
    }
    if (reference == kStrings && n >= 1 && n <= kStrVarCount) {
        st.StrVars[n] = encode(value);
        return {{"value", text(st.StrVars[n])}};
    }
    *error = QStringLiteral("only the integer and string variables can be set");
    return {};
}

}  // namespace qel
