#include "app/Player.h"

#include <QApplication>

namespace {
// The offscreen and minimal platforms complain about window features they do
// not have; those notices say nothing about the game.
QtMessageHandler defaultHandler = nullptr;
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (defaultHandler) defaultHandler(type, context, message);
}
} // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(filterMessages);
    // Checking a scenario, serving an editor and printing the usage need no display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--check" || a == "--lsp" || a == "--commands-markdown" || a == "--help" || a == "--version") {
            QCoreApplication app(argc, argv);
            return qel::RunPlayer(QCoreApplication::arguments());
        }
    }
    QApplication app(argc, argv);
    return qel::RunPlayer(QApplication::arguments());
}
