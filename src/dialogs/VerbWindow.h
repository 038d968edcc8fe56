#pragma once
// The verb window: a small borderless window, opened at a click on an object
// with verbs, that shows the object's name and one button per verb. The
// object's name followed by the chosen verb names the label at which the
// script runs on.
#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <array>
#include <string>

class QPushButton;

namespace qel {

// A label that reports a click (press and release on it).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

class TFromCom : public QDialog {
    Q_OBJECT
public:
    explicit TFromCom(QWidget* parent = nullptr);

    ClickLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;

    // The result of the last choice (CP932): the object's name followed by
    // the chosen verb, or empty when nothing was chosen. The window title
    // carries the same text; it is never displayed. "FromCom" at start; not
    // reset when the window opens.
    const std::string& result() const { return result_; }
    void setResult(const std::string& cp932);

    // Fills the label and the five buttons (CP932; empty verbs give empty
    // buttons) without showing the window.
    void setWords(const std::string& name, const std::array<std::string, 5>& verbs);

    // Fills the window, places its top-left corner at the screen position,
    // shows it modally and returns the result once the player has chosen.
    // Throws RunAbandoned when the program quits meanwhile (or already has).
    std::string Choose(const std::string& name, const std::array<std::string, 5>& verbs, QPoint screenPos);
    // Shows the window as it is filled, modally, at the screen position.
    std::string ShowModalAt(QPoint screenPos);

    // Closes a visible window with an empty result (the main window's click
    // while the window is open, and the end-of-game command).
    void CloseWithoutChoice();

    // Click handlers; each ends by closing the window.
    void Label1Click();
    void Button1Click() { buttonClick(0); }
    void Button2Click() { buttonClick(1); }
    void Button3Click() { buttonClick(2); }
    void Button4Click() { buttonClick(3); }
    void Button5Click() { buttonClick(4); }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buttonClick(int index);
    void finish();

    std::array<QPushButton*, 5> buttons_{};
    std::string name_;
    std::array<std::string, 5> verbs_;
    std::string result_;
};

}  // namespace qel
