#pragma once
// The scenario checker: reads a scenario's scene files without playing them
// and reports what would go wrong, one problem a line, for the author.
#include <QString>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qel {

struct CheckIssue {
    QString file;  // the scene file's name as on disk
    int line = 0;  // 1-based line of the file
    bool error = false;
    QString message;
    // The comma-separated field of the line the problem is in (0: the
    // command word or the first field), or -1 for the whole line.
    int field = -1;
    // "FILE:LINE: error|warning: MESSAGE"
    QString text() const;
};

struct CheckReport {
    std::vector<CheckIssue> issues;  // by file (start scene first), then by line
    int errors() const;
    int warnings() const;
};

// Checks the scenario named by target: a scene file (its folder, starting from
// it), a folder (starting from its "Opning.dat") or, when empty, the current
// folder. Nothing when the folder or the start scene cannot be read; *failure
// then says why. The current folder is the same afterwards.
struct CheckOptions {
    // Scene texts (CP932) read instead of the files, by absolute file path:
    // an editor's unsaved text.
    std::map<QString, std::string> texts;
    // Only the start scene and the scenes it reaches, not every scene file.
    bool reachedOnly = false;
};
std::optional<CheckReport> CheckScenario(const QString& target, QString* failure = nullptr,
                                         const CheckOptions& options = {});

// `qelplayer --check`: prints the report and a summary line to out (UTF-8).
// Returns 0 without errors, 1 with errors, 2 when nothing could be read.
int RunScenarioCheck(const QString& target, std::FILE* out, std::FILE* err);

}  // namespace qel
