// `qelplayer --lsp` with a scripted client over its standard input and output.
#include "JsonClient.h"
#include "TestFiles.h"
#include "platform/Cp932.h"

#include <QJsonArray>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QUrl>

using qel::test::JsonClient;

namespace {

const char* const kScene[] = {
    "bg,124",            // 0
    "0,9,0,9",           // 1
    "door,open,,,,",     // 2
    ";",                 // 3
    ".Start",            // 4
    ".FS,3,1",           // 5
    ".IS,3,1,dooropen",  // 6
    ".GP,0,0,2,pic",     // 7
    ".JS,Room",          // 8
    ";",                 // 9
    ".dooropen",         // 10
    "扉が開いた",        // 11
    ";",                 // 12
    ";",                 // 13
};

QString sceneText(int brokenLine = -1, const char* broken = nullptr) {
    QStringList lines;
    for (int i = 0; i < int(std::size(kScene)); ++i) lines << QString::fromUtf8(i == brokenLine ? broken : kScene[i]);
    return lines.join("\r\n") + "\r\n";
}

struct Server {
    qel::test::ScratchFolder folder;
    QString uri;
    std::unique_ptr<JsonClient> client;
    int nextId = 1;

    Server() {
        folder.writeBmp("bg.BMP", qel::test::solidImage(40, 30, 0x336699));
        folder.writeBmp("pic.bmp", qel::test::solidImage(12, 8, 0xff0000));
        folder.write("Opning.dat", qel::encode(sceneText()));
        folder.write("Room.dat", "bg,124\r\n;\r\n.Start\r\n;\r\n;\r\n");
        uri = QUrl::fromLocalFile(folder.path() + "/Opning.dat").toString();
        client = std::make_unique<JsonClient>(QStringList{"--lsp"}, folder.path());
        request("initialize", {});
    }
    QJsonValue request(const QString& method, const QJsonObject& params) {
        const int id = nextId++;
        client->send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
        const QJsonObject r = client->reply(id);
        return r.contains("error") ? r.value("error") : r.value("result");
    }
    void notify(const QString& method, const QJsonObject& params) {
        client->send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    QJsonArray diagnostics() {
        const QJsonObject m = client->waitFor([this](const QJsonObject& m) {
            return m.value("method") == "textDocument/publishDiagnostics" &&
                   m.value("params").toObject().value("uri") == uri;
        });
        EXPECT_FALSE(m.isEmpty());
        return m.value("params").toObject().value("diagnostics").toArray();
    }
};

TEST(LanguageServer, DiagnosticsFollowTheEditorsText) {
    Server s;
    s.notify("textDocument/didOpen",
             {{"textDocument",
               QJsonObject{{"uri", s.uri}, {"languageId", "qel"}, {"version", 1}, {"text", sceneText(5, ".FS,x,1")}}}});
    const QJsonArray d = s.diagnostics();
    ASSERT_EQ(d.size(), 1) << JsonClient::compact(d).toStdString();
    const QJsonObject one = d[0].toObject();
    EXPECT_EQ(one.value("severity").toInt(), 1);
    EXPECT_TRUE(one.value("message").toString().startsWith("FS operand 1: 'x' は整数ではありません"));
    EXPECT_EQ(JsonClient::compact(one.value("range")),
              R"({"end":{"character":5,"line":5},"start":{"character":4,"line":5}})");

    s.notify("textDocument/didChange", {{"textDocument", QJsonObject{{"uri", s.uri}, {"version", 2}}},
                                        {"contentChanges", QJsonArray{QJsonObject{{"text", sceneText()}}}}});
    EXPECT_TRUE(s.diagnostics().isEmpty());

    EXPECT_TRUE(s.request("shutdown", {}).isNull());
    s.notify("exit", {});
    EXPECT_EQ(s.client->finish(), 0);
}

TEST(LanguageServer, AnswersAboutTheSceneUnderTheCursor) {
    Server s;
    struct Case {
        const char* method;
        int line, character;
        std::vector<const char*> expected;  // fragments of the compact answer
    } cases[] = {
        {"hover", 5, 1, {"Sets integer variable n"}},
        {"hover", 7, 11, {"pic.bmp", "12 × 8 pixels"}},
        {"hover", 6, 10, {"扉が開いた"}},
        {"definition", 6, 10, {R"("line":10)"}},
        {"definition", 2, 6, {R"("line":10)"}},  // the verb of object door runs .dooropen
        {"definition", 8, 5, {"Room.dat"}},
        {"references", 10, 3, {R"("line":2)", R"("line":6)", R"("line":10)"}},
        {"completion", 5, 2, {R"("label":"UV")", ".UV,o,position,verb"}},
        {"completion", 6, 9, {R"("label":"dooropen")", R"("label":"Start")"}},
        {"completion", 7, 11, {R"("label":"pic")", R"("label":"bg")"}},
        {"completion", 8, 5, {R"("label":"Room")", R"("label":"Opning")"}},
        {"documentSymbol", 0, 0, {R"("name":"door")", R"("name":".dooropen")"}},
        {"noSuchMethod", 0, 0, {"-32601"}},
    };
    for (const Case& c : cases) {
        const QJsonValue r = s.request(QString("textDocument/") + c.method,
                                       {{"textDocument", QJsonObject{{"uri", s.uri}}},
                                        {"position", QJsonObject{{"line", c.line}, {"character", c.character}}},
                                        {"context", QJsonObject{{"includeDeclaration", true}}}});
        const QString text = JsonClient::compact(r);
        for (const char* e : c.expected)
            EXPECT_TRUE(text.contains(QString::fromUtf8(e)))
                << c.method << " " << c.line << ":" << c.character << " lacks " << e << " in " << text.toStdString();
    }
}

}  // namespace

// Neovim's own LSP client (headless, tests/app/nvim_diagnostics.lua) opens a
// broken CP932 scene and receives the checker's diagnostics.
TEST(LanguageServer, NeovimReceivesTheDiagnostics) {
    const QString nvim = QStandardPaths::findExecutable("nvim");
    if (nvim.isEmpty()) GTEST_SKIP() << "nvim is not installed (tools/setup-deps.sh installs neovim)";
    qel::test::ScratchFolder folder;
    folder.writeBmp("bg.BMP", qel::test::solidImage(40, 30, 0x336699));
    folder.write("Opning.dat", qel::encode(QString::fromUtf8("bg,124\r\n;\r\n.Start\r\n日本語の行\r\n.FS,x,1\r\n"
                                                             ".JR,どこにもない\r\n;\r\n;\r\n")));
    QProcess p;
    p.setWorkingDirectory(folder.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QEL_PLAYER", QEL_PLAYER_BIN);
    env.insert("QEL_NVIM_OUT", folder.path() + "/out.txt");
    p.setProcessEnvironment(env);
    p.start(nvim, {"--headless", "--clean", "-c", "edit ++enc=cp932 Opning.dat", "-c",
                   "luafile " QEL_SOURCE_DIR "/tests/app/nvim_diagnostics.lua"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(folder.read("out.txt").c_str()),
              QString::fromUtf8("5:4: 1: FS operand 1: 'x' は整数ではありません\n"
                                "6:4: 2: JR to missing label '.どこにもない': the run goes on at the first body line "
                                "(line 3)\n"));
}
