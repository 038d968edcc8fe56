// `qelplayer --dap` with a scripted client: the demo played by a replay up
// to its second scene, where a breakpoint stops it.
#include "JsonClient.h"
#include "TestFiles.h"
#include "app/DebugAdapter.h"

#include <QJsonArray>

using qel::test::JsonClient;

namespace {

class Debugger {
public:
    explicit Debugger(const QString& folder) : client_({"--dap"}, folder) {}
    QJsonObject request(const QString& command, const QJsonObject& args = {}) {
        const int seq = seq_++;
        client_.send({{"seq", seq}, {"type", "request"}, {"command", command}, {"arguments", args}});
        const QJsonObject r = client_.waitFor(
            [seq](const QJsonObject& m) { return m.value("request_seq").toInt() == seq; });
        EXPECT_TRUE(r.value("success").toBool())
            << command.toStdString() << ": " << JsonClient::compact(r).toStdString();
        return r.value("body").toObject();
    }
    QJsonObject event(const QString& name) {
        const QJsonObject e = client_.waitFor([&](const QJsonObject& m) { return m.value("event") == name; });
        EXPECT_FALSE(e.isEmpty()) << "no " << name.toStdString() << " event";
        return e.value("body").toObject();
    }
    // The value of a variable of a scope.
    QString value(int scope, const QString& name) {
        for (const QJsonValue& v : request("variables", {{"variablesReference", scope}}).value("variables").toArray())
            if (v.toObject().value("name") == name) return v.toObject().value("value").toString();
        return "(none)";
    }
    int line() {
        return request("stackTrace", {{"threadId", 1}})
            .value("stackFrames")
            .toArray()[0]
            .toObject()
            .value("line")
            .toInt();
    }
    JsonClient& client() { return client_; }

private:
    JsonClient client_;
    int seq_ = 1;
};

TEST(DebugAdapter, StopsInTheSecondSceneReadsAndSetsVariablesStepsAndContinues) {
    qel::test::ScratchFolder folder;
    folder.copyFrom(QStringLiteral(QEL_SOURCE_DIR "/demo"));
    // The demo's clicks up to its second scene, Tower.dat, and one more page there.
    folder.write("reach_tower.txt",
                 "page\ninput 太郎\npage\npage\npage\nclick 123 253\nverb 2\npage\npage\n"
                 "click 425 100\nverb 2\npage\npage\n");
    Debugger d(folder.path());
    d.request("initialize", {{"adapterID", "qel"}});
    d.event("initialized");
    d.request("launch", {{"program", folder.path()}, {"replay", folder.path() + "/reach_tower.txt"}});
    const QJsonArray verified =
        d.request("setBreakpoints",
                  {{"source", QJsonObject{{"path", folder.path() + "/Tower.dat"}}},
                   {"breakpoints",
                    QJsonArray{QJsonObject{{"line", 3}},  // a header line
                               QJsonObject{{"line", 14}, {"condition", "IntVars[5] = 9"}}, QJsonObject{{"line", 16}},
                               QJsonObject{{"line", 17}, {"condition", "IntVars[9] ="}}}}})
            .value("breakpoints")
            .toArray();
    ASSERT_EQ(verified.size(), 4);
    EXPECT_FALSE(verified[0].toObject().value("verified").toBool());
    EXPECT_TRUE(verified[1].toObject().value("verified").toBool());
    EXPECT_TRUE(verified[2].toObject().value("verified").toBool());
    EXPECT_FALSE(verified[3].toObject().value("verified").toBool());
    d.request("configurationDone");

    // Line 14's condition does not hold; line 16 stops.
    EXPECT_EQ(d.event("stopped").value("reason").toString(), "breakpoint");
    EXPECT_EQ(d.line(), 16);
    EXPECT_EQ(d.value(2, "StrVars[1]"), "太郎");
    EXPECT_EQ(d.value(4, "SceneName"), "Tower.dat");
    EXPECT_TRUE(d.value(3, "Object 1").startsWith("ランプ (198,288,76,266) 見る/点ける"));
    d.request("setVariable", {{"variablesReference", 1}, {"name", "IntVars[6]"}, {"value", "5"}});
    EXPECT_EQ(d.value(1, "IntVars[6]"), "5");

    d.request("next", {{"threadId", 1}});
    EXPECT_EQ(d.event("stopped").value("reason").toString(), "step");
    EXPECT_EQ(d.line(), 17);

    d.request("continue", {{"threadId", 1}});
    EXPECT_EQ(d.event("exited").value("exitCode").toInt(), 0);  // the replay has ended
    d.event("terminated");
    EXPECT_EQ(d.client().finish(), 0);
}

TEST(DebugAdapter, BreakpointConditions) {
    qel::GameState st;
    st.IntVars[3] = 1;
    st.StrVars[2] = "Taro";
    const struct {
        const char* text;
        bool readable, holds;
    } cases[] = {
        {"IntVars[3] = 1", true, true},     {"intvars[3]<>1", true, false},    {"IntVars[3] >= 2", true, false},
        {"IntVars[4] < 1", true, true},     {"StrVars[2] = taro", true, true}, {"IntVars[51] = 1", false, false},
        {"IntVars[3] = one", false, false}, {"3 = IntVars[3]", false, false},
    };
    for (const auto& c : cases) {
        QString why;
        const auto condition = qel::parseBreakCondition(QString::fromUtf8(c.text), &why);
        EXPECT_EQ(condition.has_value(), c.readable) << c.text;
        if (condition) EXPECT_EQ(condition->holds(st), c.holds) << c.text;
        else EXPECT_FALSE(why.isEmpty()) << c.text;
    }
}

}  // namespace
