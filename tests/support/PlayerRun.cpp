#include "PlayerRun.h"

#include <QDir>
#include <QProcess>

namespace qel::test {

QProcessEnvironment playerEnvironment(const QString& home, const QString& platform) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", platform);
    env.insert("SDL_AUDIODRIVER", "dummy");
    QDir().mkpath(home + "/home");
    env.insert("HOME", home + "/home");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CACHE_HOME", home + "/cache");
    return env;
}

ProgramRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                      const QString& folder, int timeoutMs, bool mergedChannels) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!folder.isEmpty()) p.setWorkingDirectory(folder);
    if (mergedChannels) p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.timedOut = true;
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ProgramRun runPlayer(const QStringList& args, const QProcessEnvironment& env, const QString& folder, int timeoutMs) {
    return runProgram(QStringLiteral(QEL_PLAYER_BIN), args, env, folder, timeoutMs);
}

}  // namespace qel::test
