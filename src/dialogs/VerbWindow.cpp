#include "dialogs/VerbWindow.h"

#include "dialogs/FocusButton.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "platform/PlayerEvents.h"
#include "platform/ShownText.h"
#include "platform/Waits.h"
#include "platform/ViewScale.h"
#include "platform/WindowFamily.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

namespace qel {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) emit clicked();
}

namespace {

// What a screen reader sees of a verb button: a button named by its verb. A
// slot without a verb still takes up its place on the screen, as it always
// did, but is not offered as an empty button: it reports itself invisible.
class VerbButtonAccessible : public QAccessibleWidget {
public:
    explicit VerbButtonAccessible(QPushButton* button) : QAccessibleWidget(button, QAccessible::Button) {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }
    QPushButton* button() const { return static_cast<QPushButton*>(object()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->text().isEmpty()) {
            s.invisible = true;
            s.focusable = false;
        }
        return s;
    }
    QStringList actionNames() const override {
        if (button()->text().isEmpty()) return {};
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() && !button()->text().isEmpty()) button()->click();
        else QAccessibleWidget::doAction(action);
    }
};

constexpr const char* kVerbSlot = "qelVerbSlot";

QAccessibleInterface* verbButtonAccessible(const QString&, QObject* object) {
    auto* button = qobject_cast<QPushButton*>(object);
    if (!button || !button->property(kVerbSlot).isValid()) return nullptr;
    return new VerbButtonAccessible(button);
}

}  // namespace

TFromCom::TFromCom(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FromCom"));
    setResult("FromCom");
    setFont(windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));
    const QFont wordFont = windowsFont(QStringLiteral("ＭＳ 明朝"), -15);

    Label1 = new ClickLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(1, 3, 150, 20);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label1->setAutoFillBackground(true);
    Label1->setFont(wordFont);
    QPalette lp = Label1->palette();
    lp.setColor(QPalette::Window, Qt::white);
    lp.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(lp);
    connect(Label1, &ClickLabel::clicked, this, &TFromCom::Label1Click);
    keepPlain(*Label1);  // the object's name as the scenario wrote it

    for (int i = 0; i < 5; ++i) {
        auto* b = new FocusButton(this);
        b->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        b->setGeometry(1, 30 * (i + 1), 150, 28);
        b->setFont(wordFont);
        QPalette bp = b->palette();
        bp.setColor(QPalette::ButtonText, Qt::black);
        b->setPalette(bp);
        connect(b, &QPushButton::clicked, this, [this, i] { buttonClick(i); });
        b->setProperty(kVerbSlot, i + 1);
        buttons_[i] = b;
    }
    Button1 = buttons_[0];
    Button2 = buttons_[1];
    Button3 = buttons_[2];
    Button4 = buttons_[3];
    Button5 = buttons_[4];
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(verbButtonAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setAccessibleName(QStringLiteral("動詞"));
    Label1->setAccessibleDescription(QStringLiteral("名前だけを選ぶ"));

    // Tab order: the buttons in their order.
    for (int i = 0; i + 1 < 5; ++i) setTabOrder(buttons_[i], buttons_[i + 1]);

    setFixedSize(152, 181);
    scaleFixedWindow(*this, ViewScale::factor());
    connect(&ViewScale::instance(), &ViewScale::changed, this, [this](int n) { scaleFixedWindow(*this, n); });

    // A quit request ends the modal display; Choose then reports it.
    connect(&WaitHub::instance(), &WaitHub::quitRequested, this, [this] {
        if (isVisible()) CloseWithoutChoice();
    });
}

void TFromCom::setResult(const std::string& cp932) {
    result_ = cp932;
    setWindowTitle(decode(cp932));
}

void TFromCom::setWords(const std::string& name, const std::array<std::string, 5>& verbs) {
    name_ = name;
    verbs_ = verbs;
    Label1->setText(decode(name));
    setAccessibleDescription(Label1->text());  // the object whose verbs these are
    for (int i = 0; i < 5; ++i) buttons_[i]->setText(decode(verbs[i]));
}

std::string TFromCom::Choose(const std::string& name, const std::array<std::string, 5>& verbs, QPoint screenPos) {
    setWords(name, verbs);
    return ShowModalAt(screenPos);
}

std::string TFromCom::ShowModalAt(QPoint screenPos) {
    if (quitting()) throw RunAbandoned{};
    keepWithOwner(*this);
    placeWindow(*this, screenPos);
    Button1->setFocus();
    repaint();
    execModal(*this);
    return result_;
}

void TFromCom::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The keys go to the window as it opens, whichever window had them: a
    // window manager need not give the focus to a new frameless window.
    activateWindow();
}

void TFromCom::finish() {
    if (isVisible()) done(QDialog::Accepted);
}

void TFromCom::Label1Click() {
    playerEvents().action(ReplayWord::Verb, "0");
    setResult(std::string());
    finish();
}

void TFromCom::buttonClick(int index) {
    playerEvents().action(ReplayWord::Verb, std::to_string(index + 1));
    // The bytes as filled in, so that a name cut inside a double-byte
    // character survives unchanged; a text set on the controls directly
    // counts as it reads.
    const QString verb = buttons_[index]->text();
    const std::string verbBytes = verb == decode(verbs_[index]) ? verbs_[index] : encode(verb);
    const std::string nameBytes = Label1->text() == decode(name_) ? name_ : encode(Label1->text());
    setResult(verbBytes.empty() ? std::string() : nameBytes + verbBytes);
    finish();
}

void TFromCom::CloseWithoutChoice() {
    setResult(std::string());
    if (isVisible()) done(QDialog::Rejected);
}

void TFromCom::keyPressEvent(QKeyEvent* event) {
    // Keyboard play: Esc closes the window choosing nothing, as a click on the
    // main picture does. Tab, the arrow keys, Enter and Space work the buttons.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (event->isAutoRepeat() || !isVisible()) return;
        playerEvents().action(ReplayWord::Key, "Escape");
        CloseWithoutChoice();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFromCom::reject() {
    // Reached only by a close from outside (the window system); it counts as
    // choosing nothing.
    CloseWithoutChoice();
}

void TFromCom::closeEvent(QCloseEvent* event) {
    setResult(std::string());
    event->accept();
    if (isVisible()) done(QDialog::Rejected);
}

}  // namespace qel
