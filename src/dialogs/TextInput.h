#pragma once
// The text input dialog of command TI: one edit field, "OK" and "Cancel".
// The edit field keeps its text between uses.
#include <QDialog>
#include <QValidator>
#include <string>

class QLineEdit;
class QPushButton;

namespace qel {

// Lets through only characters that CP932 can hold; others are removed from
// the input, with a beep, so the stored text is never corrupted.
class Cp932Validator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

class TFTextIn : public QDialog {
    Q_OBJECT
public:
    explicit TFTextIn(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;  // "OK", default
    QPushButton* Button2 = nullptr;  // "Cancel", Esc

    // Shows the dialog modally, centred on the screen, and returns the edit
    // field's text (CP932) once it has closed: the typed text after OK or the
    // close box, the empty text after Cancel. Throws RunAbandoned when the
    // program quits meanwhile (or already has).
    std::string Ask();

    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void centreOnScreen();
};

}  // namespace qel
