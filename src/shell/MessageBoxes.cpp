#include "shell/MessageBoxes.h"

#include "engine/Trace.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/ShownText.h"
#include "platform/Waits.h"
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace qel {

QString applicationTitle() { return QStringLiteral("QEL Player ver.1.24"); }

namespace {

QString captionFor(BoxKind kind) {
    switch (kind) {
    case BoxKind::Notice: return applicationTitle();
    case BoxKind::Confirm: return QString::fromUtf8("確認");
    case BoxKind::Warning: return QString::fromUtf8("警告");
    case BoxKind::Information:
    case BoxKind::InfoOk: return QString::fromUtf8("情報");
    }
    return applicationTitle();
}

QMessageBox::Icon iconFor(BoxKind kind) {
    switch (kind) {
    case BoxKind::Notice: return QMessageBox::NoIcon;
    case BoxKind::Confirm: return QMessageBox::Question;
    case BoxKind::Warning: return QMessageBox::Warning;
    case BoxKind::Information:
    case BoxKind::InfoOk: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// A box wider than a fixed share of the screen wraps its text, and Japanese,
// written without spaces, may then break anywhere: a lone character of a short
// text ends up on a line of its own. The text's label is made as wide as its
// longest line, so that a line wraps only when the screen has no room for it.
void keepLinesWhole(QMessageBox& box) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label) return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : box.text().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() * 9 / 10 - 100 : widest;
    label->setMinimumWidth(std::min(widest + metrics.averageCharWidth(), std::max(room, 0)));
}

// Runs a box modally; it closes itself when the program quits.
void runBox(QMessageBox& box, Turn turn, const std::string& detail) {
    if (quitting()) throw RunAbandoned{};
    QObject::connect(&WaitHub::instance(), &WaitHub::quitRequested, &box, [&box] { box.done(-1); });
    // The text is a scenario's or names its files: never markup, never a link.
    box.setTextFormat(Qt::PlainText);
    keepPlain(box);
    // A screen reader names the box by its caption and reads its text.
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    if (ViewScale::factor() > 1) box.setFont(scaledFont(box.font(), ViewScale::factor()));
    keepLinesWhole(box);
    keepWithOwner(box);
    box.adjustSize();
    centreWindow(box);
    WaitReport report(turn, &box, detail);
    execModal(box);
}

BoxAnswer answerOf(const QMessageBox& box, const QAbstractButton* yes, const QAbstractButton* no,
                   const QAbstractButton* ok) {
    const QAbstractButton* clicked = box.clickedButton();
    if (!clicked) return BoxAnswer::None;
    if (clicked == yes) return BoxAnswer::Yes;
    if (clicked == no) return BoxAnswer::No;
    if (clicked == ok) return BoxAnswer::Ok;
    return BoxAnswer::None;
}

}  // namespace

BoxAnswer showMessageBox(BoxKind kind, const std::string& cp932Text) {
    QString caption = captionFor(kind);
    QMessageBox box(iconFor(kind), caption, decode(cp932Text), QMessageBox::NoButton);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    if (kind == BoxKind::Notice || kind == BoxKind::InfoOk) {
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setEscapeButton(ok);
    } else {
        yes = box.addButton(QString::fromUtf8("はい(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QString::fromUtf8("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
    }
    runBox(box, Turn::Box, encode(caption) + "|" + cp932Text);
    BoxAnswer answer = answerOf(box, yes, no, ok);
    playerEvents().action(answer == BoxAnswer::Yes  ? ReplayWord::Yes
                          : answer == BoxAnswer::No ? ReplayWord::No
                          : answer == BoxAnswer::Ok ? ReplayWord::Ok
                                                    : ReplayWord::Dismiss);
    return answer;
}

void showErrorBox(const std::string& cp932Text) {
    if (quitting()) return;
    QMessageBox box(QMessageBox::Critical, applicationTitle(), decode(cp932Text), QMessageBox::NoButton);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setEscapeButton(ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    try {
        runBox(box, Turn::ErrorBox, cp932Text);
        playerEvents().action(box.clickedButton() == ok ? ReplayWord::Ok : ReplayWord::Dismiss);
    } catch (const RunAbandoned&) {
    }
}

bool guarded(const std::function<void()>& work) {
    struct Depth {
        Depth() { playerEvents().handlerEnters(); }
        ~Depth() { playerEvents().handlerLeaves(); }
    } depth;
    try {
        work();
        return true;
    } catch (const GameError& e) {
        // A script's error also tells its author where it happened.
        if (!e.place().empty()) writePlacedLine(stderr, e.place(), e.text());
        showErrorBox(e.text());
    } catch (const RunAbandoned&) {
    } catch (const std::bad_alloc&) {
        showErrorBox(sj("メモリが足りません"));
    } catch (const std::exception& e) {
        showErrorBox(encode(QString::fromLocal8Bit(e.what())));
    }
    return false;
}

}  // namespace qel
