#include "app/ReplayVocabulary.h"

#include "app/PadInput.h"
#include "app/ReplayScript.h"
#include "app/SyntheticInput.h"
#include "app/VirtualClock.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/TextInput.h"
#include "dialogs/VerbWindow.h"
#include "platform/Cp932.h"
#include "platform/Skipping.h"
#include "platform/SoundLevels.h"
#include "shell/FormMein.h"
#include "shell/ReadingControls.h"
#include "shell/StartMenu.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace qel {

namespace {

using Ctx = ReplayContext;
using Act = ReplayAction;

QPushButton* boxButton(QObject* what, const char* utf8Text) {
    auto* box = qobject_cast<QMessageBox*>(what);
    if (!box) return nullptr;
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QString::fromUtf8(utf8Text)) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

// --- the start menu ---

QString pressStart(Ctx& c, QPushButton* TStartMenu::*button) {
    if (c.turn != Turn::Menu) return QStringLiteral("the start menu is not waiting");
    (c.w.startMenu->*button)->click();
    return {};
}
QString actNew(Ctx& c, const Act&) { return pressStart(c, &TStartMenu::Button1); }
QString actContinue(Ctx& c, const Act&) { return pressStart(c, &TStartMenu::Button2); }
QString actQuit(Ctx& c, const Act&) { return pressStart(c, &TStartMenu::Button3); }

// --- the main picture ---

QString actClick(Ctx& c, const Act& a) {
    const bool right = a.verb->id == ReplayWord::RightClick;
    auto p = ParsePoint(a.rest);
    if (!p) return QStringLiteral("expected: %1 X Y").arg(QString::fromStdString(a.word));
    TFormMein* main = c.w.main;
    if (!c.onPicture() || !main->isVisible()) return QStringLiteral("the main picture is not waiting for a click");
    // Replays speak in picture pixels, whatever the scale on the screen.
    const QPoint at = main->ImageFront->viewPoint(QPoint(p->first, p->second));
    if (right) {
        sendMouseClick(main->ImageFront, Qt::RightButton, at);
        return {};
    }
    c.pendingRelease = QPoint(p->first, p->second);
    sendMousePress(main->ImageFront, Qt::LeftButton, at);
    if (c.pendingRelease) {  // the press did not wait for it
        c.pendingRelease.reset();
        sendMouseRelease(main->ImageFront, Qt::LeftButton, at);
    }
    return {};
}

QString actMenu(Ctx& c, const Act& a) {
    const std::string& item = a.rest;
    if (item != "TopMenu" && item != "Exit" && item != "Help" && item != "Settings")
        return QStringLiteral("unknown menu item (TopMenu, Exit, Help or Settings)");
    TFormMein* main = c.w.main;
    QAction* act = nullptr;
    if (c.turn == Turn::Popup) {
        main->PopupMenu1->hide();
        act = item == "TopMenu"    ? main->TopMenu
              : item == "Exit"     ? main->Exit
              : item == "Settings" ? main->settingsItem
                                   : main->Help;
    } else if (item == "Settings") {
        return QStringLiteral("the settings are in the popup menu only");
    } else if (c.onPicture() && main->isVisible() && main->MainMenu1->isVisible()) {
        act = item == "TopMenu" ? main->TopMenu2 : item == "Exit" ? main->Exit1 : main->Help1;
    } else {
        return QStringLiteral("no menu is open");
    }
    act->trigger();
    return {};
}

QString actHistory(Ctx& c, const Act&) {
    if (!c.onPicture() || !c.w.main->isVisible()) return QStringLiteral("the main picture is not waiting");
    c.w.reading->openHistory();
    if (!c.w.reading->historyOpen()) return QStringLiteral("the history did not open");
    c.w.reading->closeHistory();
    return {};
}

// --- game controllers and touch screens, through the program's own mapping ---

QString actPad(Ctx& c, const Act& a) {
    const bool up = a.rest.size() > 3 && a.rest.compare(a.rest.size() - 3, 3, " up") == 0;
    const std::optional<PadButton> b = parsePadButton(up ? a.rest.substr(0, a.rest.size() - 3) : a.rest);
    if (!b || (up && *b != PadButton::RB))
        return QStringLiteral("expected: pad A, B, X, Y, Start, Back, Up, Down, Left, Right, RB or RB up");
    QWidget* target = c.keyTarget();
    if (!target || !c.w.input) return QStringLiteral("no window takes the pad now");
    if (c.w.virtualPad) {
        c.w.virtualPad(*b, !up);
        return {};
    }
    c.w.input->pad(*b, !up, target);
    return {};
}

QString actTouch(Ctx& c, const Act& a) {
    if (!c.onPicture() || !c.w.main->isVisible() || !c.w.input)
        return QStringLiteral("the main picture is not waiting for a touch");
    if (a.rest == "swipe2 up") {  // like "history": the history opens, and closes again
        c.w.input->swipeUp();
        if (!c.w.reading->historyOpen()) return QStringLiteral("the history did not open");
        c.w.reading->closeHistory();
        return {};
    }
    const bool tap = a.rest.rfind("tap ", 0) == 0;
    const auto p = tap || a.rest.rfind("hold ", 0) == 0 ? ParsePoint(a.rest.substr(tap ? 4 : 5)) : std::nullopt;
    if (!p) return QStringLiteral("expected: touch tap X Y, touch hold X Y or touch swipe2 up");
    const auto act = tap ? &InputMapper::tap : &InputMapper::hold;
    (c.w.input->*act)(QPoint(p->first, p->second));
    return {};
}

QString actCloseMain(Ctx& c, const Act&) {
    if (!c.onPicture() || !c.w.main->isVisible()) return QStringLiteral("the main window is not open");
    c.w.main->close();
    return {};
}

// --- the verb window ---

QString actVerb(Ctx& c, const Act& a) {
    auto n = ParseNumber(a.rest);
    if (!n || *n < 0 || *n > 5) return QStringLiteral("expected: verb N (0 to 5)");
    if (c.turn != Turn::Verbs) return QStringLiteral("no verb window is open");
    TFromCom* v = c.w.verbs;
    if (*n == 0) {
        sendMouseClick(v->Label1, Qt::LeftButton);
    } else {
        QPushButton* buttons[] = {v->Button1, v->Button2, v->Button3, v->Button4, v->Button5};
        buttons[*n - 1]->click();
    }
    return {};
}

// --- message boxes ---

QString answerBox(Ctx& c, ReplayWord word) {
    if (c.turn != Turn::Box && c.turn != Turn::ErrorBox) return QStringLiteral("no message box is open");
    if (word == ReplayWord::Dismiss) {
        qobject_cast<QMessageBox*>(c.what)->done(-1);
        return {};
    }
    const char* text = word == ReplayWord::Yes ? "はい(&Y)" : word == ReplayWord::No ? "いいえ(&N)" : "OK";
    QPushButton* b = boxButton(c.what, text);
    if (!b) return QStringLiteral("the message box has no such button");
    b->click();
    return {};
}
QString actAnswer(Ctx& c, const Act& a) { return answerBox(c, a.verb->id); }

// --- the text input dialog ---

QString answerInput(Ctx& c, const Act& a) {
    if (c.turn != Turn::Input) return QStringLiteral("the text input dialog is not open");
    TFTextIn* t = c.w.textInput;
    if (a.verb->id == ReplayWord::Input) t->Edit1->setText(decode(encode(QString::fromUtf8(a.rest.c_str()))));
    (a.verb->id == ReplayWord::Cancel ? t->Button2 : t->Button1)->click();
    return {};
}
// "ok" answers the input dialog while it is open, else a box.
QString actOk(Ctx& c, const Act& a) { return c.turn == Turn::Input ? answerInput(c, a) : answerBox(c, ReplayWord::Ok); }

// --- the chooser ---

QString actChoose(Ctx& c, const Act& a) {
    if (c.turn != Turn::Chooser) return QStringLiteral("the chooser is not open");
    auto* dialog = qobject_cast<QFileDialog*>(c.what);
    const QString file = QString::fromUtf8(a.rest.c_str());
    if (!QFileInfo(file).isFile()) return QStringLiteral("no such file to choose");
    dialog->selectFile(QFileInfo(file).absoluteFilePath());
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the choice
    return {};
}
// "cancel" cancels the chooser while it is open, else the input dialog.
QString actCancel(Ctx& c, const Act& a) {
    if (c.turn != Turn::Chooser) return answerInput(c, a);
    qobject_cast<QFileDialog*>(c.what)->reject();
    return {};
}

// --- the message window ---

QString messageWindow(Ctx& c, ReplayWord word) {
    TFormMsgText* messages = c.w.messages;
    if (!messages->isVisible()) return QStringLiteral("the message window is not open");
    if (!c.onPicture()) return QStringLiteral("the message window is not waiting");
    if (word == ReplayWord::Page) sendMouseClick(messages->Memo1->viewport(), Qt::LeftButton);
    else if (word == ReplayWord::Key)
        sendKeyClick(messages, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));  // A is auto-forward
    else messages->close();
    return {};
}
QString actMessages(Ctx& c, const Act& a) { return messageWindow(c, a.verb->id); }

// --- keys and text ---

// "key NAME" goes where a key from the keyboard would; a bare "key" types a
// character into the message window.
QString actKey(Ctx& c, const Act& a) {
    if (a.rest.empty()) return messageWindow(c, ReplayWord::Key);
    const std::optional<QKeyCombination> combination = ParseKeyName(a.rest);
    if (!combination)
        return QStringLiteral("unknown key (a key name such as Tab, Shift+Tab, Return, Space, Escape, F11)");
    QWidget* target = c.keyTarget();
    if (!target) return QStringLiteral("no window takes keys now");
    const int key = combination->key();
    const Qt::KeyboardModifiers mods = combination->keyboardModifiers();
    sendKeyClick(target, key, mods, keyText(key, mods));
    return {};
}

QString actType(Ctx& c, const Act& a) {
    if (a.rest.empty()) return QStringLiteral("expected: type TEXT");
    QWidget* target = c.keyTarget();
    if (!target || !target->testAttribute(Qt::WA_InputMethodEnabled))
        return QStringLiteral("nothing that takes text has the focus");
    // As an input method hands over text the player has composed.
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8(a.rest.c_str()));
    QCoreApplication::sendEvent(target, &commit);
    return {};
}

// --- time and skipping ---

QString actWait(Ctx& c, const Act& a) {
    auto ms = ParseNumber(a.rest);
    if (!ms || *ms < 0) return QStringLiteral("expected: wait MS");
    c.clock.pass(*ms);
    return {};
}

QString actReload(Ctx& c, const Act&) {
    if (!c.onPicture() || !c.w.main->isVisible()) return QStringLiteral("the game is not waiting on its picture");
    c.w.main->reloadScene();
    return {};
}

QString actSkip(Ctx&, const Act& a) {
    if (a.rest != "on" && a.rest != "off") return QStringLiteral("expected: skip on, or skip off");
    Skipping::instance().setOn(a.rest == "on");
    return {};
}

QString actAuto(Ctx&, const Act& a) {
    if (a.rest != "on" && a.rest != "off") return QStringLiteral("expected: auto on, or auto off");
    setAutoForward(a.rest == "on");
    return {};
}

QString actMute(Ctx&, const Act& a) {
    if (a.rest != "on" && a.rest != "off") return QStringLiteral("expected: mute on, or mute off");
    setMuted(a.rest == "on");
    return {};
}

QString actHold(Ctx& c, const Act& a) {
    const std::string ctrl = "Ctrl ";
    const auto ms = a.rest.compare(0, ctrl.size(), ctrl) == 0 ? ParseNumber(a.rest.substr(ctrl.size())) : std::nullopt;
    if (!ms || *ms < 0) return QStringLiteral("expected: hold Ctrl MS");
    QWidget* target = c.keyTarget();
    if (!target) return QStringLiteral("no window takes keys now");
    c.holdCtrl(target, *ms);
    return {};
}

using W = ReplayWord;
constexpr ReplayVerb kVocabulary[] = {
    {W::New, "new", "", "presses \"はじめから\" on the start menu", actNew},
    {W::Continue, "continue", "", "presses \"続きから\" on the start menu", actContinue},
    {W::Quit, "quit", "", "presses \"終了\" on the start menu", actQuit},
    {W::Click, "click", "X Y", "presses and releases the left button on the main picture at picture pixel (X, Y)",
     actClick},
    {W::RightClick, "rclick", "X Y", "a right click on the main picture (the popup menu opens)", actClick},
    {W::Menu, "menu", "ITEM",
     "chooses ITEM (TopMenu, Exit or Help) of the open popup menu, or of the menu bar when one is shown; `menu "
     "Settings` opens the settings window from the popup menu",
     actMenu},
    {W::Verb, "verb", "N", "presses verb button N (1 to 5) of the open verb window; `verb 0` clicks the object's name",
     actVerb},
    {W::Yes, "yes", "", "answers the open message box with \"はい\"", actAnswer},
    {W::No, "no", "", "answers the open message box with \"いいえ\"", actAnswer},
    {W::Ok, "ok", "", "presses \"OK\" in the open message box, or in the text input dialog, keeping its text", actOk},
    {W::Dismiss, "dismiss", "", "closes the open message box with no choice", actAnswer},
    {W::Input, "input", "TEXT", "replaces the text of the open input dialog with TEXT and presses \"OK\"", answerInput},
    {W::Cancel, "cancel", "",
     "presses \"Cancel\" in the text input dialog; in the chooser, cancels it, which ends the program with status 0",
     actCancel},
    {W::Page, "page", "", "presses the mouse button on the message window's text", actMessages},
    {W::Key, "key", "[NAME]",
     "presses and releases the key NAME in the window the player types into at that moment (see below); "
     "without NAME, types a character key into the message window",
     actKey},
    {W::Type, "type", "TEXT",
     "hands TEXT to the field with the focus, as an input method does with composed text (Japanese included)", actType},
    {W::CloseMessages, "closemsg", "", "asks the message window to close", actMessages},
    {W::CloseMain, "closemain", "", "asks the main window to close", actCloseMain},
    {W::Wait, "wait", "MS", "lets MS milliseconds pass", actWait},
    {W::History, "history", "",
     "opens the text history (as the wheel turned up over the picture does) and closes it again; at a page wait or "
     "the idle game",
     actHistory},
    {W::Skip, "skip", "on/off", "starts / stops skipping (as the toggle key F8 does), at any moment the replay acts",
     actSkip},
    {W::Auto, "auto", "on/off", "switches auto-forward on / off (as the key A does; a replay's change is not stored)",
     actAuto},
    {W::Mute, "mute", "on/off",
     "mutes the music and sounds / lets them be heard again (as the key M does; the game goes on the same, and a "
     "replay's change is not stored)",
     actMute},
    {W::Hold, "hold", "Ctrl MS",
     "presses Ctrl alone and lets it go after MS milliseconds on the game's clock (a held skip; see below)", actHold},
    {W::Choose, "choose", "PATH",
     "in the chooser (no argument and no \"Opning.dat\" in the current folder): chooses the file PATH (a scenario's "
     "\"Opning.dat\" or an archive)",
     actChoose},
    {W::Pad, "pad", "BUTTON",
     "presses a game controller's button (A, B, X, Y, Start, Back, Up, Down, Left, Right) through the same mapping "
     "as a real controller (see below); `pad RB` holds the right shoulder button (skipping, as held Ctrl does) until "
     "`pad RB up`",
     actPad},
    {W::Touch, "touch", "GESTURE",
     "a gesture on the main picture: `touch tap X Y` a tap at picture pixel (X, Y), a left click there; `touch hold X "
     "Y` a long press, a right click (the popup menu opens); `touch swipe2 up` two fingers swiped up, which open the "
     "text history (closed again, as with `history`); at a page wait or the idle game",
     actTouch},
    {W::Reload, "reload", "",
     "reloads the current scene from its file (as Shift+R does), at a page wait or the idle game", actReload},
};

constexpr bool inWordOrder() {
    if (std::size(kVocabulary) != std::size_t(ReplayWord::Count)) return false;
    for (std::size_t i = 0; i < std::size(kVocabulary); ++i)
        if (std::size_t(kVocabulary[i].id) != i) return false;
    return true;
}
static_assert(inWordOrder(), "one row for each ReplayWord, in its order");

}  // namespace

QWidget* ReplayContext::keyTarget() const {
    QWidget* window = nullptr;
    switch (turn) {
    case Turn::Menu: window = w.startMenu; break;
    case Turn::Idle:
    case Turn::Page:
        // The message window while it is shown (it takes the focus as it
        // appears, and passes the picture's keys on), else the main window;
        // never the window system's idea of the active window, so that a
        // replay goes the same way with any window manager or none.
        window = w.messages->isVisible() ? static_cast<QWidget*>(w.messages) : static_cast<QWidget*>(w.main);
        break;
    case Turn::Verbs: window = w.verbs; break;
    case Turn::Input: window = w.textInput; break;
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

std::span<const ReplayVerb> replayVocabulary() { return kVocabulary; }

const ReplayVerb& replayVerb(ReplayWord id) { return kVocabulary[std::size_t(id)]; }

const ReplayVerb* findReplayVerb(std::string_view word) {
    for (const ReplayVerb& v : kVocabulary)
        if (word == v.word) return &v;
    return nullptr;
}

std::string replayLine(ReplayWord id, const std::string& arguments) {
    std::string line = replayVerb(id).word;
    if (!arguments.empty()) line += " " + arguments;
    return line;
}

std::string replayHelp() {
    std::string out = "| action | what the player does |\n|---|---|\n";
    for (const ReplayVerb& v : kVocabulary) {
        out += std::string("| `") + v.word;
        if (*v.arguments) out += std::string(" ") + v.arguments;
        out += std::string("` | ") + v.help + " |\n";
    }
    return out;
}

}  // namespace qel
