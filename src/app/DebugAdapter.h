#pragma once
// `qelplayer --dap`: the player under a debugger, over the Debug Adapter
// Protocol on standard input and output. The client launches a scenario
// folder or scene, sets breakpoints at scene file lines (optionally with a
// condition such as "IntVars[3] = 1"), pauses, continues and steps line by
// line, reads the variables, objects and scene, and sets variables. A paused
// run waits in a nested event loop, as every wait does.
#include "app/JsonRpc.h"
#include "engine/Game.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <map>
#include <optional>
#include <string>

namespace qel {

struct LaunchRequest {
    QString program;  // a scenario folder or a scene file
    QString replay;   // optional: the player's actions from a replay file
};

// A breakpoint's condition: an integer or string variable compared with a
// value ("IntVars[3] = 1", "IntVars[2] >= 10", "StrVars[1] <> 太郎").
struct BreakCondition {
    bool stringVar = false;
    int number = 0;
    QString op;  // = <> < > <= >=
    QString value;
    bool holds(const GameState& st) const;
};
// Reads a condition; nothing (and *why) when it cannot be read.
std::optional<BreakCondition> parseBreakCondition(const QString& text, QString* why);

class DebugAdapter : public QObject, public LineHook {
    Q_OBJECT
public:
    explicit DebugAdapter(JsonChannel& channel);

    // Answers the client until it has launched and finished configuring;
    // nothing when it disconnects first.
    std::optional<LaunchRequest> waitForLaunch();
    void attach(Game& g);
    // The program ends: the client is told.
    void ended(int status);

    void beforeLine(Game& g, std::int64_t index) override;

private:
    void handle(const QJsonObject& message);
    QJsonValue answer(const QString& command, const QJsonObject& args, QString* error);
    void sendEvent(const QString& name, const QJsonObject& body = {});
    void updateHook();
    void stop(const QString& reason);
    QJsonArray variables(int reference) const;
    QJsonObject setVariable(int reference, const QString& name, const QString& value, QString* error);

    struct Breakpoint {
        int id;
        std::optional<BreakCondition> condition;
    };
    JsonChannel& channel_;
    Game* game_ = nullptr;
    int seq_ = 1;
    int nextBreakpointId_ = 1;
    std::optional<LaunchRequest> launch_;
    bool configured_ = false;
    bool disconnected_ = false;
    // Folded scene file name -> file line -> breakpoint.
    std::map<std::string, std::map<std::int64_t, Breakpoint>> breakpoints_;
    bool stepping_ = false;
    bool pauseRequested_ = false;
    bool paused_ = false;
    std::int64_t pausedAt_ = -1;  // the store index the run stands at
};

}  // namespace qel
