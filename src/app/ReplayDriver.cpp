#include "app/ReplayDriver.h"

#include "app/ReplayVocabulary.h"
#include "app/SyntheticInput.h"
#include "app/Transcript.h"
#include "app/VirtualClock.h"
#include "platform/Errors.h"
#include "platform/Waits.h"
#include "shell/FormMein.h"

#include <QCoreApplication>
#include <QTimer>

namespace qel {

ReplayDriver::ReplayDriver(std::vector<ReplayAction> actions, Transcript& transcript, VirtualClock& clock,
                           Session session)
    : actions_(std::move(actions)), transcript_(transcript), clock_(clock), session_(std::move(session)) {
    clock_.onStuck([this] { stuck(); });
    clock_.onWaited([this] { releaseCtrlWhenDue(); });
}

void ReplayDriver::holdCtrl(QWidget* target, std::int64_t ms) {
    ctrlTarget_ = target;
    ctrlUpAt_ = clock_.nowMs() + ms;
    sendKeyPress(target, Qt::Key_Control, Qt::ControlModifier);
    if (!clock_.isVirtual()) QTimer::singleShot(int(ms), this, [this] { releaseCtrlWhenDue(true); });
}

void ReplayDriver::releaseCtrlWhenDue(bool now) {
    if (!ctrlUpAt_ || (!now && clock_.isVirtual() && clock_.nowMs() < *ctrlUpAt_)) return;
    ctrlUpAt_.reset();
    QWidget* target = ctrlTarget_ ? ctrlTarget_.data() : static_cast<QWidget*>(w_->main);
    if (target) sendKeyRelease(target, Qt::Key_Control, Qt::NoModifier);
    session_.acted();  // a page that stops skipping waits for the next action
}

void ReplayDriver::stuck() {
    if (finished_) return;
    const int line = next_ < actions_.size() ? actions_[next_].line : actions_.empty() ? 0 : actions_.back().line;
    transcript_.line("replay-error " + std::to_string(line) + ": the game went on for " +
                     std::to_string(VirtualClock::kStuckMs / 1000) + " s of its time, or " +
                     std::to_string(VirtualClock::kStuckWaits) + " timed waits, without a moment for the next action");
    finish(3);
}

void ReplayDriver::offer() {
    if (finished_ || actionPending_) return;
    if (!session_.turn(nullptr)) {
        if (session_.over()) finish(0);
        return;
    }
    actionPending_ = true;
    QTimer::singleShot(0, this, &ReplayDriver::runNext);
}

void ReplayDriver::runNext() {
    actionPending_ = false;
    if (finished_ || quitting()) return;
    QObject* what = nullptr;
    std::optional<Turn> turn = session_.turn(&what);
    if (!turn) return;  // the moment passed; the next check offers again
    if (*turn == Turn::Release) {
        // A press on a name-only object waits for its own release.
        if (pendingRelease_) {
            QPoint p = *pendingRelease_;
            pendingRelease_.reset();
            sendMouseRelease(w_->main->ImageFront, Qt::LeftButton, w_->main->ImageFront->viewPoint(p));
        }
        return;
    }
    if (next_ >= actions_.size()) {
        finish(0);
        return;
    }
    releaseCtrlWhenDue(true);  // the player lets go before acting again
    const ReplayAction& a = actions_[next_++];
    const int lineNo = transcript_.line("> " + a.text);
    if (session_.acting) session_.acting(lineNo);
    QString why;
    try {
        if (!a.verb) {
            why = QStringLiteral("unknown action");
        } else {
            ReplayContext context{
                *w_,    *turn,           what,
                clock_, pendingRelease_, [this](QWidget* target, std::int64_t ms) { holdCtrl(target, ms); }};
            why = a.verb->act(context, a);
        }
    } catch (const RunAbandoned&) {
        return;  // the program is quitting
    }
    if (!why.isEmpty()) {
        transcript_.line("replay-error " + std::to_string(a.line) + ": " + why.toStdString());
        finish(3);
        return;
    }
    clock_.acted();
    session_.acted();
}

void ReplayDriver::finish(int status) {
    if (finished_) return;
    finished_ = true;
    status_ = status;
    session_.close();
    requestQuit();
    QCoreApplication::exit(status);
}

}  // namespace qel
