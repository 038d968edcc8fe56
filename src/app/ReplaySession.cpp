#include "app/ReplaySession.h"

#include "app/SyntheticInput.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/TextInput.h"
#include "dialogs/VerbWindow.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Skipping.h"
#include "platform/Waits.h"
#include "shell/FormMein.h"
#include "shell/ReadingControls.h"
#include "shell/StartMenu.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

namespace qel {

namespace {

std::unique_ptr<QFile> openForWriting(const QString& name) {
    auto f = std::make_unique<QFile>();
    bool ok = name == QLatin1String("-") ? f->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
                                         : (f->setFileName(name), f->open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (!ok) throw std::runtime_error("cannot write " + name.toStdString() + ": " + f->errorString().toStdString());
    return f;
}

QPushButton* boxButton(QObject* what, const char* utf8Text) {
    auto* box = qobject_cast<QMessageBox*>(what);
    if (!box) return nullptr;
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QString::fromUtf8(utf8Text)) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

} // namespace

Session::Session(const SessionOptions& options, const Windows& windows) : options_(options), w_(&windows) {
    if (!options_.replayFile.isEmpty()) {
        QFile f(options_.replayFile);
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + options_.replayFile.toStdString() + ": " +
                                     f.errorString().toStdString());
        QByteArray bytes = f.readAll();
        actions_ = ParseReplay(std::string_view(bytes.constData(), std::size_t(bytes.size())));
        replayLoaded_ = true;
    }
    if (!options_.transcriptFile.isEmpty()) transcript_ = openForWriting(options_.transcriptFile);
    if (!options_.recordFile.isEmpty()) record_ = openForWriting(options_.recordFile);
    if (!options_.shotsDir.isEmpty() && !QDir().mkpath(options_.shotsDir))
        throw std::runtime_error("cannot create " + options_.shotsDir.toStdString());
}

Session::~Session() { close(); }

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
    if (closed_) return;
    line("end");
    closed_ = true;
    if (transcript_) transcript_->flush();
    if (record_) record_->flush();
}

// --- clock ---

std::int64_t Session::nowMs() {
    if (!replayLoaded_ || options_.realTime) return real_.nowMs();
    return virtualNow_;
}

void Session::waitMs(std::int64_t ms) {
    if (!replayLoaded_ || options_.realTime) {
        real_.waitMs(ms);
        return;
    }
    // Virtual time: the pending events are handled, then the time has passed.
    const std::uint64_t mark = abandonMark();
    throwIfAbandoned(mark);
    QCoreApplication::processEvents();
    throwIfAbandoned(mark);
    if (ms > 0) virtualNow_ += ms;
    releaseCtrlWhenDue();
}

bool Session::pauseFor(std::int64_t ms, const std::function<bool()>& until) {
    if (!replayLoaded_ || options_.realTime) return real_.pauseFor(ms, until);
    return Clock::pauseFor(ms, until);
}

void Session::releaseCtrlWhenDue(bool now) {
    if (!ctrlUpAt_ || (!now && !options_.realTime && virtualNow_ < *ctrlUpAt_)) return;
    ctrlUpAt_.reset();
    QWidget* target = ctrlTarget_ ? ctrlTarget_.data() : static_cast<QWidget*>(w_->main);
    if (target) sendKeyRelease(target, Qt::Key_Control, Qt::NoModifier);
    requestCheck(false);  // a page that stops skipping waits for the next action
}

// --- transcript ---

int Session::line(const std::string& utf8) {
    ++lines_;
    if (transcript_ && !closed_) {
        transcript_->write(utf8.data(), qint64(utf8.size()));
        transcript_->write("\n", 1);
        transcript_->flush();
    }
    return lines_;
}

void Session::shot(int lineNo) {
    if (options_.shotsDir.isEmpty() || !w_->main || !w_->main->hasGame()) return;
    const QImage& img = w_->main->game().pics.ImageFront;
    if (img.isNull()) return;
    QString name = QStringLiteral("%1/%2.png").arg(options_.shotsDir).arg(lineNo, 4, 10, QLatin1Char('0'));
    img.save(name, "PNG");
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
    if (turn == Turn::Verbs) pendingRelease_.reset();  // the open window takes the release
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

void Session::action(const std::string& replayLine) {
    if (!record_) return;
    record_->write(replayLine.data(), qint64(replayLine.size()));
    record_->write("\n", 1);
    record_->flush();
}

// --- replay driver ---

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

void Session::check() {
    checkQueued_ = false;
    bool announce = announce_;
    announce_ = false;
    if (finished_ || quitting()) return;
    if (frames_.empty() && handlerDepth_ == 0 && announce) {
        if (w_->startMenu && w_->startMenu->isVisible()) line("menu");
        else if (w_->main && w_->main->isVisible()) shot(line("idle"));
    }
    offer();
}

void Session::offer() {
    if (!replayLoaded_ || finished_ || actionPending_) return;
    if (!currentTurn(nullptr)) {
        // Nothing waits for the player and nothing runs: the session is over.
        if (frames_.empty() && handlerDepth_ == 0 && w_->startMenu && w_->main && !w_->startMenu->isVisible() &&
            !w_->main->isVisible())
            finish(0);
        return;
    }
    actionPending_ = true;
    QTimer::singleShot(0, this, &Session::runNext);
}

void Session::runNext() {
    actionPending_ = false;
    if (finished_ || quitting()) return;
    QObject* what = nullptr;
    std::optional<Turn> turn = currentTurn(&what);
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
    line("> " + a.text);
    QString why;
    try {
        why = execute(a, *turn, what);
    } catch (const RunAbandoned&) {
        return;  // the program is quitting
    }
    if (!why.isEmpty()) {
        line("replay-error " + std::to_string(a.line) + ": " + why.toStdString());
        finish(3);
        return;
    }
    requestCheck(false);
}

QString Session::execute(const ReplayAction& a, Turn turn, QObject* what) {
    const std::string& w = a.word;
    TFormMein* main = w_->main;
    bool onPicture = turn == Turn::Page || turn == Turn::Idle;

    if (w == "new" || w == "continue" || w == "quit") {
        if (turn != Turn::Menu) return QStringLiteral("the start menu is not waiting");
        QPushButton* b = w == "new" ? w_->startMenu->Button1 : w == "continue" ? w_->startMenu->Button2 : w_->startMenu->Button3;
        b->click();
        return {};
    }
    if (w == "click" || w == "rclick") {
        auto p = ParsePoint(a.rest);
        if (!p) return QStringLiteral("expected: %1 X Y").arg(QString::fromStdString(w));
        if (!onPicture || !main->isVisible()) return QStringLiteral("the main picture is not waiting for a click");
        // Replays speak in picture pixels, whatever the scale on the screen.
        const QPoint at = main->ImageFront->viewPoint(QPoint(p->first, p->second));
        if (w == "rclick") {
            sendMouseClick(main->ImageFront, Qt::RightButton, at);
            return {};
        }
        pendingRelease_ = QPoint(p->first, p->second);
        sendMousePress(main->ImageFront, Qt::LeftButton, at);
        if (pendingRelease_) {  // the press did not wait for it
            pendingRelease_.reset();
            sendMouseRelease(main->ImageFront, Qt::LeftButton, at);
        }
        return {};
    }
    if (w == "menu") {
        const std::string& item = a.rest;
        if (item != "TopMenu" && item != "Exit" && item != "Help")
            return QStringLiteral("unknown menu item (TopMenu, Exit or Help)");
        QAction* act = nullptr;
        if (turn == Turn::Popup) {
            main->PopupMenu1->hide();
            act = item == "TopMenu" ? main->TopMenu : item == "Exit" ? main->Exit : main->Help;
        } else if (onPicture && main->isVisible() && main->MainMenu1->isVisible()) {
            act = item == "TopMenu" ? main->TopMenu2 : item == "Exit" ? main->Exit1 : main->Help1;
        } else {
            return QStringLiteral("no menu is open");
        }
        act->trigger();
        return {};
    }
    if (w == "verb") {
        auto n = ParseNumber(a.rest);
        if (!n || *n < 0 || *n > 5) return QStringLiteral("expected: verb N (0 to 5)");
        if (turn != Turn::Verbs) return QStringLiteral("no verb window is open");
        TFromCom* v = w_->verbs;
        if (*n == 0) {
            sendMouseClick(v->Label1, Qt::LeftButton);
        } else {
            QPushButton* buttons[] = {v->Button1, v->Button2, v->Button3, v->Button4, v->Button5};
            buttons[*n - 1]->click();
        }
        return {};
    }
    if (w == "yes" || w == "no" || w == "dismiss" || (w == "ok" && turn != Turn::Input)) {
        if (turn != Turn::Box && turn != Turn::ErrorBox) return QStringLiteral("no message box is open");
        if (w == "dismiss") {
            qobject_cast<QMessageBox*>(what)->done(-1);
            return {};
        }
        const char* text = w == "yes" ? "はい(&Y)" : w == "no" ? "いいえ(&N)" : "OK";
        QPushButton* b = boxButton(what, text);
        if (!b) return QStringLiteral("the message box has no such button");
        b->click();
        return {};
    }
    if (turn == Turn::Chooser && (w == "choose" || w == "cancel")) {
        auto* dialog = qobject_cast<QFileDialog*>(what);
        if (w == "cancel") {
            dialog->reject();
            return {};
        }
        const QString file = QString::fromUtf8(a.rest.c_str());
        if (!QFileInfo(file).isFile()) return QStringLiteral("no such file to choose");
        dialog->selectFile(QFileInfo(file).absoluteFilePath());
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the choice
        return {};
    }
    if (w == "choose") return QStringLiteral("the chooser is not open");
    if (w == "input" || w == "cancel" || w == "ok") {
        if (turn != Turn::Input) return QStringLiteral("the text input dialog is not open");
        TFTextIn* t = w_->textInput;
        if (w == "input") t->Edit1->setText(decode(encode(QString::fromUtf8(a.rest.c_str()))));
        (w == "cancel" ? t->Button2 : t->Button1)->click();
        return {};
    }
    if (w == "key" && !a.rest.empty()) {
        const std::optional<QKeyCombination> combination = ParseKeyName(a.rest);
        if (!combination)
            return QStringLiteral("unknown key (a key name such as Tab, Shift+Tab, Return, Space, Escape, F11)");
        QWidget* target = keyTarget(turn, what);
        if (!target) return QStringLiteral("no window takes keys now");
        const int key = combination->key();
        const Qt::KeyboardModifiers mods = combination->keyboardModifiers();
        sendKeyClick(target, key, mods, keyText(key, mods));
        return {};
    }
    if (w == "type") {
        if (a.rest.empty()) return QStringLiteral("expected: type TEXT");
        QWidget* target = keyTarget(turn, what);
        if (!target || !target->testAttribute(Qt::WA_InputMethodEnabled))
            return QStringLiteral("nothing that takes text has the focus");
        // As an input method hands over text the player has composed.
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUtf8(a.rest.c_str()));
        QCoreApplication::sendEvent(target, &commit);
        return {};
    }
    if (w == "page" || w == "key" || w == "closemsg") {
        if (!w_->messages->isVisible()) return QStringLiteral("the message window is not open");
        if (!onPicture) return QStringLiteral("the message window is not waiting");
        if (w == "page") {
            sendMouseClick(w_->messages->Memo1->viewport(), Qt::LeftButton);
        } else if (w == "key") {
            sendKeyClick(w_->messages, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));  // A is auto-forward
        } else {
            w_->messages->close();
        }
        return {};
    }
    if (w == "history") {
        if (!onPicture || !main->isVisible()) return QStringLiteral("the main picture is not waiting");
        w_->reading->openHistory();
        if (!w_->reading->historyOpen()) return QStringLiteral("the history did not open");
        w_->reading->closeHistory();
        return {};
    }
    if (w == "hold") {
        const std::string ctrl = "Ctrl ";
        const auto ms = a.rest.compare(0, ctrl.size(), ctrl) == 0 ? ParseNumber(a.rest.substr(ctrl.size())) : std::nullopt;
        if (!ms || *ms < 0) return QStringLiteral("expected: hold Ctrl MS");
        QWidget* target = keyTarget(turn, what);
        if (!target) return QStringLiteral("no window takes keys now");
        ctrlTarget_ = target;
        ctrlUpAt_ = nowMs() + *ms;
        sendKeyPress(target, Qt::Key_Control, Qt::ControlModifier);
        if (options_.realTime) QTimer::singleShot(int(*ms), this, [this] { releaseCtrlWhenDue(true); });
        return {};
    }
    if (w == "auto") {
        if (a.rest != "on" && a.rest != "off") return QStringLiteral("expected: auto on, or auto off");
        setAutoForward(a.rest == "on");
        return {};
    }
    if (w == "skip") {
        if (a.rest != "on" && a.rest != "off") return QStringLiteral("expected: skip on, or skip off");
        Skipping::instance().setOn(a.rest == "on");
        return {};
    }
    if (w == "closemain") {
        if (!onPicture || !main->isVisible()) return QStringLiteral("the main window is not open");
        main->close();
        return {};
    }
    if (w == "wait") {
        auto ms = ParseNumber(a.rest);
        if (!ms || *ms < 0) return QStringLiteral("expected: wait MS");
        if (options_.realTime) qel::waitMs(*ms);
        else virtualNow_ += *ms;
        return {};
    }
    return QStringLiteral("unknown action");
}

QWidget* Session::keyTarget(Turn turn, QObject* what) const {
    QWidget* window = nullptr;
    switch (turn) {
    case Turn::Menu: window = w_->startMenu; break;
    case Turn::Idle:
    case Turn::Page:
        // The message window while it is shown (it takes the focus as it
        // appears, and passes the picture's keys on), else the main window;
        // never the window system's idea of the active window, so that a
        // replay goes the same way with any window manager or none.
        window = w_->messages->isVisible() ? static_cast<QWidget*>(w_->messages) : static_cast<QWidget*>(w_->main);
        break;
    case Turn::Verbs: window = w_->verbs; break;
    case Turn::Input: window = w_->textInput; break;
    case Turn::Box:
    case Turn::ErrorBox:
    case Turn::Popup:
    case Turn::Chooser: window = qobject_cast<QWidget*>(what); break;
    case Turn::Release: break;
    }
    if (!window || !window->isVisible()) return nullptr;
    QWidget* focus = window->focusWidget();
    return focus && focus->isVisible() ? focus : window;
}

void Session::finish(int status) {
    if (finished_) return;
    finished_ = true;
    status_ = status;
    close();
    requestQuit();
    QCoreApplication::exit(status);
}

} // namespace qel
