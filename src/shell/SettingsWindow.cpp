#include "shell/SettingsWindow.h"

#include "platform/Settings.h"
#include "platform/ViewScale.h"
#include "platform/Waits.h"
#include "shell/Display.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qel {

namespace {

// The help line of a row as a label: its first letter capitalised.
QString labelOf(const SettingRow& row) {
    QString label = QString::fromUtf8(row.help);
    if (!label.isEmpty()) label[0] = label[0].toUpper();
    return label;
}

}  // namespace

SettingsWindow::SettingsWindow(Display& display, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      display_(display) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QStringLiteral("設定"));
    setAccessibleName(windowTitle());
    setAutoFillBackground(true);  // opaque also as a panel drawn over the picture
    auto* form = new QFormLayout;
    for (const SettingRow& row : settingRows()) {
        if (!row.help || row.kind == SettingKind::Text) continue;
        const QString name = QString::fromLatin1(row.name);
        QWidget* editor = nullptr;
        switch (row.kind) {
        case SettingKind::Boolean: {
            auto* box = new QCheckBox(this);
            connect(box, &QCheckBox::toggled, this,
                    [this, &row](bool on) { edited(row, on ? QStringLiteral("true") : QStringLiteral("false")); });
            editor = box;
            break;
        }
        case SettingKind::Number: {
            auto* spin = new QSpinBox(this);
            spin->setRange(row.low, row.high);
            spin->setKeyboardTracking(false);  // a value typed digit by digit counts once it is whole
            connect(spin, &QSpinBox::valueChanged, this, [this, &row](int n) { edited(row, QString::number(n)); });
            editor = spin;
            break;
        }
        case SettingKind::Choice: {
            auto* combo = new QComboBox(this);
            combo->addItems(QString::fromLatin1(row.words).split('|'));
            connect(combo, &QComboBox::currentTextChanged, this, [this, &row](const QString& t) { edited(row, t); });
            editor = combo;
            break;
        }
        case SettingKind::Text: break;
        }
        editor->setObjectName(name);
        editor->setToolTip(name);
        const QString label = labelOf(row);
        editor->setAccessibleName(label);
        form->addRow(label, editor);
        editors_[name] = editor;
        showValue(name);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Keys (F11, A, M ...) change settings while the window is open: it
    // shows them as they are.
    connect(&Settings::instance(), &Settings::changed, this, &SettingsWindow::showValue);
}

QWidget* SettingsWindow::editor(const QString& name) const {
    const auto it = editors_.find(name);
    return it == editors_.end() ? nullptr : it->second;
}

void SettingsWindow::showValue(const QString& name) {
    QWidget* e = editor(name);
    if (!e) return;
    const QSignalBlocker block(e);
    const QString value = Settings::instance().text(name.toLatin1().constData());
    if (auto* box = qobject_cast<QCheckBox*>(e)) box->setChecked(value == QLatin1String("true"));
    else if (auto* spin = qobject_cast<QSpinBox*>(e)) spin->setValue(value.toInt());
    else if (auto* combo = qobject_cast<QComboBox*>(e)) combo->setCurrentText(value);
}

void SettingsWindow::edited(const SettingRow& row, const QString& value) {
    const QString name = QString::fromLatin1(row.name);
    Settings::instance().set(row.name, value);
    if (name == QLatin1String("scale")) {
        // As the keys change them: the game is redrawn, and the choice is
        // told (and so remembered).
        display_.choose(parseScaleOption(value).value_or(0), display_.fullScreen());
    } else if (name == QLatin1String("fullscreen")) {
        display_.choose(display_.scaleChoice(), value == QLatin1String("true"));
    } else if (name == QLatin1String("windows")) {
        display_.setWindowMode(parseWindowMode(value).value_or(WindowMode::Auto));
    }
    // A waiting page tests its delays again (auto-forward among them).
    wakeWaits();
}

}  // namespace qel
