#include "app/ReplaySession.h"

#include "platform/Skipping.h"
#include "platform/Waits.h"
#include "shell/FormMein.h"
#include "shell/StartMenu.h"

#include <QFile>
#include <QTimer>
#include <stdexcept>

namespace qel {

namespace {

std::optional<std::vector<ReplayAction>> readReplay(const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + name.toStdString() + ": " + f.errorString().toStdString());
    QByteArray bytes = f.readAll();
    return ParseReplay(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace

Session::Session(const SessionOptions& options, const Windows& windows)
    : w_(&windows),
      actions_(readReplay(options.replayFile)),
      transcript_(options.transcriptFile),
      recorder_(options.recordFile),
      shots_(options.shotsDir),
      layout_(options.layoutDir),
      clock_(actions_ && !options.realTime) {
    if (!actions_) return;
    ReplayDriver::Session self{[this](QObject** what) { return currentTurn(what); }, [this] { return over(); },
                               [this] { requestCheck(false); }, [this] { close(); },
                               [this](int lineNo) { layout_.take(lineNo, *w_); }};
    driver_ = std::make_unique<ReplayDriver>(std::move(*actions_), transcript_, clock_, std::move(self));
    actions_.reset();
    driver_->setWindows(windows);
}

Session::~Session() { close(); }

void Session::setWindows(const Windows& windows) {
    w_ = &windows;
    if (driver_) driver_->setWindows(windows);
}

void Session::start() {
    // The player's own changes of the display; a start's options are not shown.
    if (w_->main)
        connect(w_->main, &TFormMein::displayChosen, this, [this](int scale, bool fullScreen) {
            line("display " + (scale == 0 ? std::string("auto") : std::to_string(scale)) +
                 (fullScreen ? " fullscreen" : " windowed"));
        });
    requestCheck(true);
}

void Session::close() {
    if (transcript_.closed()) return;
    transcript_.close();
    recorder_.flush();
}

// --- transcript ---

void Session::shot(int lineNo) {
    if (!shots_.taking() || !w_->main || !w_->main->hasGame()) return;
    shots_.take(lineNo, w_->main->game().pics.ImageFront);
}

void Session::sceneLoaded(const std::string& sceneName) { line("scene " + TranscriptText(sceneName)); }
void Session::text(const std::string& l) { line("text " + TranscriptText(l)); }
void Session::cleared() { line("clear"); }
void Session::music(std::int32_t mode, const std::string& file) {
    line("music " + std::to_string(mode) + " " + TranscriptText(file));
}
void Session::sound(std::int32_t mode, const std::string& file) {
    line("sound " + std::to_string(mode) + " " + TranscriptText(file));
}

void Session::waitBegins(Turn turn, QObject* what, const std::string& detail) {
    frames_.push_back(Frame{turn, what, handlerDepth_});
    switch (turn) {
    case Turn::Page: shot(line("page")); break;
    case Turn::Verbs: line("verbs " + TranscriptText(detail)); break;
    case Turn::Box: shot(line("box " + TranscriptText(detail))); break;
    case Turn::ErrorBox: line("error " + TranscriptText(detail)); break;
    case Turn::Input: line("input " + TranscriptText(detail)); break;
    case Turn::Chooser: line("chooser " + TranscriptText(detail)); break;
    default: break;
    }
    if (turn == Turn::Verbs && driver_) driver_->forgetRelease();  // the open window takes the release
    offer();
}

void Session::waitEnds(Turn turn) {
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
        if (it->turn == turn) {
            frames_.erase(std::next(it).base());
            break;
        }
    }
    requestCheck(true);
}

void Session::historyShown(int lines) { line("history " + std::to_string(lines)); }

void Session::handlerLeaves() {
    --handlerDepth_;
    requestCheck(true);
}

void Session::action(ReplayWord word, const std::string& arguments) { recorder_.record(word, arguments); }

// --- what waits for the player ---

void Session::requestCheck(bool announce) {
    announce_ = announce_ || announce;
    if (checkQueued_) return;
    checkQueued_ = true;
    QTimer::singleShot(0, this, &Session::check);
}

std::optional<Turn> Session::currentTurn(QObject** what) const {
    if (!frames_.empty()) {
        const Frame& top = frames_.back();
        if (top.depth != handlerDepth_) return std::nullopt;  // something runs above the wait
        if (top.turn == Turn::Page && (skipping() || autoForward())) return std::nullopt;  // the page turns by itself
        if (what) *what = top.what;
        return top.turn;
    }
    if (handlerDepth_ > 0) return std::nullopt;
    if (w_->startMenu && w_->startMenu->isVisible()) return Turn::Menu;
    if (w_->main && w_->main->isVisible()) return Turn::Idle;
    return std::nullopt;
}

bool Session::over() const {
    return frames_.empty() && handlerDepth_ == 0 && w_->startMenu && w_->main && !w_->startMenu->isVisible() &&
           !w_->main->isVisible();
}

void Session::check() {
    checkQueued_ = false;
    bool announce = announce_;
    announce_ = false;
    if ((driver_ && driver_->finished()) || quitting()) return;
    if (frames_.empty() && handlerDepth_ == 0 && announce) {
        if (w_->startMenu && w_->startMenu->isVisible()) line("menu");
        else if (w_->main && w_->main->isVisible()) shot(line("idle"));
    }
    offer();
}

void Session::offer() {
    if (driver_) driver_->offer();
}

}  // namespace qel
