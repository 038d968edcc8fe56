#include "engine/Trace.h"

#include "platform/Cp932.h"
#include "platform/ShownText.h"

namespace qel {

void writePlacedLine(std::FILE* out, const std::string& place, const std::string& cp932Text) {
    if (!out) return;
    QString text = decode(cp932Text);
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    writeTerminal(out, (place.empty() ? text : decode(place) + QLatin1String(": ") + text) + QLatin1Char('\n'));
}

void ScriptTrace::line(const ScriptStore& store, std::int64_t i, const std::string& text) {
    place_ = store.place(i);
    timerNoted_ = false;
    writePlacedLine(out_, place_, text);
}

void ScriptTrace::note(const std::string& cp932Text) { writePlacedLine(out_, place_, "[" + cp932Text + "]"); }

// While the player skips, the waits below pass at once: the trace says so.
void ScriptTrace::waitForPage() {
    note(inner_.skipping() ? "skip: page click" : "wait: page click");
    inner_.waitForPage();
}

void ScriptTrace::endGame() {
    note("end of the game");
    inner_.endGame();
}

BoxAnswer ScriptTrace::messageBox(BoxKind kind, const std::string& text) {
    note(text.empty() ? std::string("wait: box") : "wait: box " + text);
    const BoxAnswer a = inner_.messageBox(kind, text);
    note(std::string("answer: ") + (a == BoxAnswer::Yes  ? "yes"
                                    : a == BoxAnswer::No ? "no"
                                    : a == BoxAnswer::Ok ? "ok"
                                                         : "none"));
    return a;
}

std::string ScriptTrace::inputText() {
    note("wait: text input");
    std::string text = inner_.inputText();
    note("input: " + text);
    return text;
}

void ScriptTrace::waitMs(std::int64_t ms) {
    // A transition waits once per step: its line is noted once.
    if (ms > 0 && !timerNoted_) {
        note((inner_.skipping() ? "skip: " : "wait: ") + std::to_string(ms) + " ms");
        timerNoted_ = true;
    }
    inner_.waitMs(ms);
}

void ScriptTrace::sceneLoaded(const std::string& sceneName) {
    note("scene: " + sceneName);
    inner_.sceneLoaded(sceneName);
}

}  // namespace qel
