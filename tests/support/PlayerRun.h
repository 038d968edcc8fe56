#pragma once
// Starting a program from a test: the built player (or an installed one) with
// the environment every test gives it, until it ends.
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace qel::test {

// The environment a test starts the player in: the Qt platform plugin given
// and silent audio, and the home, settings, read-text memory and archive cache
// folders under `home`, never the user's own.
QProcessEnvironment playerEnvironment(const QString& home, const QString& platform = QStringLiteral("offscreen"));

struct ProgramRun {
    int status = -1;  // the exit status; -1 when it did not end normally
    bool timedOut = false;
    QString out;  // standard output (with mergedChannels, standard error too)
    QString err;
};

// Runs program with args in env, in folder (empty: this program's), until it
// ends; past timeoutMs it is killed, and timedOut says so.
ProgramRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                      const QString& folder = {}, int timeoutMs = 60000, bool mergedChannels = false);
// Runs the built player.
ProgramRun runPlayer(const QStringList& args, const QProcessEnvironment& env, const QString& folder = {},
                     int timeoutMs = 60000);

}  // namespace qel::test
