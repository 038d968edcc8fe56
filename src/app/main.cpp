#include "app/LanguageServer.h"
#include "app/Options.h"
#include "app/Player.h"
#include "platform/ShownText.h"

#include <QApplication>

namespace {
// The offscreen and minimal platforms complain about window features they do
// not have; those notices say nothing about the game. Every other message
// reaches the terminal with its control bytes spelled out.
QtMessageHandler defaultHandler = nullptr;
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (defaultHandler) defaultHandler(type, context, qel::terminalSafe(message));
}
}  // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(filterMessages);
    // The options are read before any display is opened: a mistake, --help
    // and --version need none, and neither do checking a scenario
    // and serving an editor.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const qel::ParsedOptions parsed = qel::parseOptions(arguments);
    if (parsed.exitStatus) return *parsed.exitStatus;
    if (parsed.options.check) {
        QCoreApplication app(argc, argv);
        return qel::RunPlayer(parsed.options);
    }
    if (parsed.options.lsp) {
        QCoreApplication app(argc, argv);
        return qel::RunLanguageServer();
    }
    QApplication app(argc, argv);
    // The desktop entry's name: docks and task bars find its icon and name by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.qelplayer.Player"));
    return qel::RunPlayer(parsed.options);
}
