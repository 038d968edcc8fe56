#pragma once
// Replay files and transcripts: the text formats that let a session be played
// without a person and compared line by line.
#include <QKeyCombination>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

struct ReplayVerb;

// One action of a replay file.
struct ReplayAction {
    int line = 0;                      // line number in the file, from 1
    std::string text;                  // the line as read (UTF-8, without its line end)
    std::string word;                  // the action word: "new", "click", "verb" ...
    std::string rest;                  // everything after the word and one blank
    const ReplayVerb* verb = nullptr;  // the word's row in the vocabulary; nullptr when unknown
};

// The actions of a replay file's text: blank lines and lines starting with
// '#' are skipped; a CR before the line end is dropped. Each word is looked up
// in the vocabulary (app/ReplayVocabulary.h); an unknown one is only an error
// when the replay reaches it.
std::vector<ReplayAction> ParseReplay(std::string_view utf8);

// Parses "X Y" into two integers; nullopt when malformed.
std::optional<std::pair<int, int>> ParsePoint(const std::string& rest);
// Parses a whole decimal number (optionally negative); nullopt when malformed.
std::optional<std::int64_t> ParseNumber(const std::string& rest);

// A key named as Qt's key sequences write one key, modifiers first ("Tab",
// "Shift+Tab", "space", "Ctrl++", "Alt+Return"); "Plus" and "Minus" may stand
// for the keys "+" and "-" ("Ctrl+Plus"). nullopt for anything else,
// several keys included.
std::optional<QKeyCombination> ParseKeyName(const std::string& utf8);

// A text of the game (CP932) as it stands in a transcript: decoded, with a
// backslash written as "\\" and each line break (CR LF, CR or LF) as "\n".
std::string TranscriptText(const std::string& cp932);

}  // namespace qel
