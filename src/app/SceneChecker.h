#pragma once
// The checks of one scene file, for the scenario checker. ScenarioCheck.cpp
// walks the scenario from scene to scene; SceneChecker.cpp reads a scene's
// header, its labels and the references to them, and finds where a run can
// go; CommandCheck.cpp converts each command's operands and checks the files
// it opens.
#include "app/ScenarioCheck.h"
#include "script/Commands.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"

#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace qel::check {

inline bool isCommandLine(const std::string& line) { return !line.empty() && line[0] == '.'; }
inline bool runsCommand(const std::string& line) {
    return isCommandLine(line) && (line.size() == 1 || findCommand(line) != nullptr);
}
inline bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline QString wordText(const CommandRow& row) {
    return QString::fromLatin1(row.word.data(), qsizetype(row.word.size()));
}

inline QString quoted(const std::string& cp932) { return QLatin1Char('\'') + decode(cp932) + QLatin1Char('\''); }
inline QString playerText(const GameError& e) { return decode(e.text()); }

// Bitmaps and media files met so far, with the player's error text for each
// ("" when it loads), so that a picture used a hundred times is read once.
struct FileVerdicts {
    std::map<std::string, std::string> bitmaps;
    std::map<std::string, QString> media;
};

// One object of the header, or one defined by UN in the body.
struct ObjectDef {
    int slot = 0;
    int fileLine = 0;  // where its name is written
    std::string name;
    std::vector<std::string> verbs;  // the non-empty ones
};

// A place that needs a label: a command's label operand, an IM table line or
// an object click.
struct LabelRef {
    enum Kind { Operand, TableLine, Click } kind;
    Landing landing;  // where the run goes on from the label line
    int fileLine;
    int field;          // where the label is written (-1: the whole line)
    std::string label;  // without the dot
    QString what;       // the command word, or the object and verb, for messages
};

class SceneChecker {
public:
    SceneChecker(QString fileName, std::vector<std::string> lines, std::vector<CheckIssue>& out, FileVerdicts& files)
        : fileName_(std::move(fileName)), lines_(std::move(lines)), out_(out), files_(files) {}

    void run() {
        if (!readHeader()) return;
        indexLabels();
        checkStart();
        collectReferences();
        checkCommands();
        resolveReferences();
        checkLastLine();
    }

    // Scene names that JS enters, in the order they appear.
    const std::vector<std::string>& scenes() const { return scenes_; }

private:
    // --- reporting -------------------------------------------------------
    void issue(int fileLine, bool error, const QString& message, int field) {
        out_.push_back({fileName_, fileLine, error, message, field});
    }
    void error(int fileLine, const QString& m, int field = -1) { issue(fileLine, true, m, field); }
    void warning(int fileLine, const QString& m, int field = -1) { issue(fileLine, false, m, field); }

    // --- body addressing -------------------------------------------------
    int count() const { return int(lines_.size()) - body_; }
    const std::string& body(int i) const { return lines_[std::size_t(body_ + i)]; }
    int lineOf(int i) const { return body_ + i + 1; }

    // --- file checks (CommandCheck.cpp) ------------------------------------
    const std::string& bitmapVerdict(const std::string& name);
    void checkBitmap(int fileLine, const QString& what, const std::string& name, int field = -1);
    void checkMedia(int fileLine, const QString& cmd, const std::string& name, int field);
    void checkFile(int at, const QString& cmd, const FileUse& f, const std::string& operand);

    // --- operands (CommandCheck.cpp) ----------------------------------------
    std::optional<std::int32_t> intOperand(int i, int n, const QString& cmd);
    std::optional<std::int32_t> numberOperand(int i, int n, const QString& cmd, const char* table, int last);
    std::array<std::optional<std::int32_t>, kMaxOperands + 1> operands(int i, const CommandRow& row,
                                                                       const QString& cmd);

    // --- commands (CommandCheck.cpp) ----------------------------------------
    void checkCommands();
    void checkCommand(int i, const CommandRow& row);

    // --- header, labels, references, the last line (SceneChecker.cpp) ------
    std::string cutWord(int fileLine, const std::string& w, const char* what);
    bool readHeader();
    void indexLabels();
    const std::vector<int>* findLabel(const std::string& name) const;
    void checkStart();
    void collectReferences();
    bool runReaches(int i) const;
    void resolveReferences();
    void checkLastLine();

    QString fileName_;
    std::vector<std::string> lines_;
    std::vector<CheckIssue>& out_;
    FileVerdicts& files_;
    int body_ = 0;  // index in lines_ of the first body line
    bool lineFailed_ = false;

    std::vector<ObjectDef> headerObjects_;  // the ones a click can reach
    std::map<int, std::string> headerNames_;
    std::map<int, std::vector<std::string>> headerVerbs_;
    std::unordered_map<std::string, std::vector<int>> labels_;  // folded line -> body lines
    std::vector<LabelRef> refs_;
    std::set<std::string> clickLabels_;
    std::set<int> referencedLines_;
    std::set<int> tableLines_;
    std::vector<std::string> scenes_;
};

}  // namespace qel::check
