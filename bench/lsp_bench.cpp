// The language server: from a change of a 10,000-line scene to its published
// diagnostics (the typing pause not counted).
#include "app/LanguageServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <cstdio>

using namespace qel;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QImage(40, 30, QImage::Format_RGB888).save(dir.filePath("bg.bmp"), "BMP");
    QImage(8, 8, QImage::Format_RGB888).save(dir.filePath("pic.bmp"), "BMP");

    // A header with one object, then blocks of labels, jumps, pictures and text.
    QStringList lines{"bg,124", "0,9,0,9", "door,open,,,,", ";", ".Start", ".FS,1,0"};
    for (int b = 0; lines.size() < 10000; ++b) {
        const QString n = QString::number(b);
        lines << ".L" + n << ".--"
              << "text of block " + n << ".IS,1," + n + ",L" + n << ".GP,0,0,2,pic"
              << ".FS,2," + n << ".JR,L" + n << ".";
    }
    lines << ".dooropen"
          << "opened"
          << ";"
          << ";";
    const QString path = dir.filePath("Opning.dat");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(lines.join("\r\n").toLatin1());
    f.close();

    int published = 0;
    LanguageServer server([&](const QJsonObject& m) {
        if (m.value("method") == "textDocument/publishDiagnostics") ++published;
    });
    const QString uri = QUrl::fromLocalFile(path).toString();
    server.handle({{"method", "textDocument/didOpen"},
                   {"params", QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"text", lines.join("\r\n")}}}}}});
    server.publishPending();
    const int rounds = 20;
    auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        lines[5] = ".FS,1," + QString::number(r);
        server.handle(
            {{"method", "textDocument/didChange"},
             {"params", QJsonObject{{"textDocument", QJsonObject{{"uri", uri}}},
                                    {"contentChanges", QJsonArray{QJsonObject{{"text", lines.join("\r\n")}}}}}}});
        server.publishPending();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / rounds;
    std::printf("lsp.diagnostics_ms %.1f ms\n", ms);
    return published == rounds + 1 ? 0 : 1;
}
