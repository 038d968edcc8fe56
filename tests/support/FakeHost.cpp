#include "FakeHost.h"

#include "engine/Game.h"
#include "platform/Errors.h"

#include <algorithm>

namespace qel::test {

namespace {
std::string opt(const std::optional<std::string>& s) { return s ? *s : "-"; }
std::string opt(const std::optional<std::int32_t>& v) { return v ? std::to_string(*v) : "-"; }
}  // namespace

const char* boxKindName(BoxKind k) {
    switch (k) {
    case BoxKind::Notice: return "Notice";
    case BoxKind::Confirm: return "Confirm";
    case BoxKind::Warning: return "Warning";
    case BoxKind::Information: return "Information";
    case BoxKind::InfoOk: return "InfoOk";
    }
    return "?";
}

std::vector<std::string> FakeHost::calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : log)
        if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
    return out;
}

bool FakeHost::called(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }

void FakeHost::clearMessageText() {
    log.push_back("clear");
    memo.clear();
}
void FakeHost::addMessageLine(const std::string& line) {
    log.push_back("text:" + line);
    memo.push_back(line);
    messageVisible = true;
}
void FakeHost::waitForPage() {
    log.push_back("page");
    if (onWaitForPage) onWaitForPage();
}
void FakeHost::closeMessageWindow() {
    log.push_back("closeMessage");
    memo.clear();
    messageVisible = false;
}
void FakeHost::hideMessageWindow() {
    log.push_back("hideMessage");
    messageVisible = false;
}
void FakeHost::showFace(const std::string& name) { log.push_back("face:" + name); }
void FakeHost::resetFace() {
    log.push_back("resetFace");
    memo.clear();
}
void FakeHost::arrangeMessageWindow(const MessageArrangement& a) {
    log.push_back("arrange:" + std::to_string(a.x) + "," + std::to_string(a.y) + "," + opt(a.style) + "," +
                  opt(a.caption) + "," + opt(a.width) + "," + (a.width ? std::to_string(a.height) : "-"));
}
void FakeHost::setClickLock(int value) {
    log.push_back("clickLock:" + std::to_string(value));
    clickLock = value;
}
void FakeHost::frameMainWindow(const FrameRequest& f) {
    log.push_back("frame:" + std::to_string(f.mode) + "," + opt(f.caption) + "," + opt(f.dx) + "," +
                  (f.dx ? std::to_string(f.dy) : "-"));
}
void FakeHost::setPictureSize(int width, int height) {
    log.push_back("size:" + std::to_string(width) + "x" + std::to_string(height));
    pictureWidth = width;
    pictureHeight = height;
}
void FakeHost::repaintPicture() { log.push_back("repaint"); }
void FakeHost::updatePicture() { log.push_back("update"); }
void FakeHost::endGame() { log.push_back("endGame"); }
void FakeHost::closeMainWindow() { log.push_back("closeMain"); }
void FakeHost::quitProgram() { log.push_back("quit"); }
BoxAnswer FakeHost::messageBox(BoxKind kind, const std::string& text) {
    log.push_back(std::string("box:") + boxKindName(kind) + ":" + text);
    if (!boxAnswers.empty()) {
        BoxAnswer a = boxAnswers.front();
        boxAnswers.pop_front();
        return a;
    }
    return (kind == BoxKind::Notice || kind == BoxKind::InfoOk) ? BoxAnswer::Ok : BoxAnswer::None;
}
std::string FakeHost::inputText() {
    log.push_back("input");
    if (inputs.empty()) return {};
    std::string s = inputs.front();
    inputs.pop_front();
    return s;
}
void FakeHost::playMusic(std::int32_t mode, const std::string& file) {
    log.push_back("music:" + std::to_string(mode) + "," + file);
}
void FakeHost::playSound(std::int32_t mode, const std::string& file) {
    log.push_back("sound:" + std::to_string(mode) + "," + file);
}
void FakeHost::waitMs(std::int64_t ms) {
    log.push_back("wait:" + std::to_string(ms));
    if (onWaitMs) onWaitMs(ms);
    if (ms > 0) now += ms;
}
void FakeHost::sceneLoaded(const std::string& sceneName) { log.push_back("scene:" + sceneName); }

void CapturingHost::repaintPicture() {
    FakeHost::repaintPicture();
    frames.push_back(game->pics.ImageFront.copy());
}

std::string errorText(const std::function<void()>& work) {
    try {
        work();
    } catch (const GameError& e) {
        return e.text();
    }
    return "(no error)";
}

}  // namespace qel::test
