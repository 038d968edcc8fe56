#include "dialogs/TextInput.h"

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ScreenPlace.h"
#include "platform/Waits.h"
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace qel {

QValidator::State Cp932Validator::validate(QString& input, int& pos) const {
    bool ok = true;
    encode(input, &ok);
    if (ok) return Acceptable;
    QString kept;
    kept.reserve(input.size());
    int keptBeforePos = 0;
    int i = 0;
    for (char32_t c : input.toUcs4()) {
        const QString ch = QString::fromUcs4(&c, 1);
        bool chOk = true;
        encode(ch, &chOk);
        if (chOk) {
            kept += ch;
            if (i < pos) keptBeforePos += static_cast<int>(ch.size());
        }
        i += static_cast<int>(ch.size());
    }
    input = kept;
    pos = keptBeforePos;
    QApplication::beep();
    return Acceptable;
}

namespace {

// The input field: whenever it gets the focus other than by a click (the
// dialog opening, its window activated, Tab), the caret goes to the end of
// the remembered text and nothing is selected, so typing adds to the text
// instead of replacing it.
class InputField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        if (event->reason() == Qt::MouseFocusReason) return;
        deselect();
        end(false);
    }
};

}  // namespace

TFTextIn::TFTextIn(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FTextIn"));
    setWindowTitle(QStringLiteral("入力してください"));
    setFont(windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));

    Edit1 = new InputField(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 8, 193, 25);
    Edit1->setFont(windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), -16));
    Edit1->setValidator(new Cp932Validator(Edit1));

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 40, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFTextIn::Button1Click);

    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(120, 40, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &TFTextIn::Button2Click);

    // For screen readers: the dialog asks, the field is where the answer goes.
    setAccessibleName(windowTitle());
    Edit1->setAccessibleName(QStringLiteral("入力欄"));
    Button1->setAccessibleName(QStringLiteral("OK"));
    Button2->setAccessibleName(QStringLiteral("Cancel"));

    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
    setFixedSize(208, 74);
    scaleFixedWindow(*this, ViewScale::factor());
    connect(&ViewScale::instance(), &ViewScale::changed, this, [this](int n) { scaleFixedWindow(*this, n); });

    connect(&WaitHub::instance(), &WaitHub::quitRequested, this, [this] {
        if (isVisible()) done(QDialog::Rejected);
    });
}

void TFTextIn::Button1Click() {
    playerEvents().action(ReplayWord::Input, Edit1->text().toStdString());
    done(QDialog::Accepted);
}

void TFTextIn::Button2Click() {
    playerEvents().action(ReplayWord::Cancel);
    Edit1->clear();
    done(QDialog::Rejected);
}

void TFTextIn::reject() {
    // Esc is the cancel button.
    Button2Click();
}

void TFTextIn::closeEvent(QCloseEvent* event) {
    // The close box keeps the text as typed.
    if (closedByPlayer(*event) && isVisible()) playerEvents().action(ReplayWord::Ok);
    event->accept();
    if (isVisible()) done(QDialog::Rejected);
}

void TFTextIn::centreOnScreen() { centreWindow(*this); }

void TFTextIn::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Again now that the window system may know the frame.
    centreOnScreen();
    Edit1->setFocus(Qt::OtherFocusReason);
    Edit1->deselect();
    Edit1->end(false);
}

std::string TFTextIn::Ask() {
    if (quitting()) throw RunAbandoned{};
    Button1->setDefault(true);
    keepWithOwner(*this);
    centreOnScreen();
    execModal(*this);
    return encode(Edit1->text());
}

}  // namespace qel
