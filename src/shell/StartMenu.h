#pragma once
// The start menu: the program's first window. Closing it ends the program.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QPushButton;

namespace qel {

class TFormMein;

class TStartMenu : public QWidget {
    Q_OBJECT
public:
    explicit TStartMenu(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;  // はじめから
    QPushButton* Button2 = nullptr;  // 続きから
    QPushButton* Button3 = nullptr;  // 終了

    // The scene that "はじめから" loads (CP932, extension included).
    std::string StartScene = "Opning.dat";

    // Reads the command line's first argument (the creation handler); a
    // scene named there is announced in a box unless announceScene is false.
    void FormCreate(const std::optional<QString>& firstArg, bool announceScene = true);
    void connectMainWindow(TFormMein* mainWindow) { main_ = mainWindow; }

    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void startGame(const std::function<void()>& load);
    TFormMein* main_ = nullptr;
    bool placed_ = false;
};

}  // namespace qel
