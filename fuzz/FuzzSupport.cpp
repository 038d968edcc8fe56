#include "FuzzSupport.h"

#include "TestFiles.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <stdexcept>

namespace qel::fuzz {

void start() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    // Lives until the program ends; removed by its destructor at exit.
    static QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir::setCurrent(scratch.path()))
        throw std::runtime_error("cannot make a scratch folder");
}

void writeFile(const std::string& name, std::string_view bytes) {
    QFile f(QString::fromStdString(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write " + name);
}

void writePictures() {
    static const char* const names[] = {"bg",      "Akari", "AkariB", "Beach",  "Beam1", "Beam2", "Bottle", "BottleB",
                                        "BoxOpen", "Heya",  "Kao",    "LampOn", "Mado",  "Title", "Tower",  "Yoru"};
    for (const char* n : names) writeFile(std::string(n) + ".BMP", test::bmpBytes(test::patternImage(8, 6, 0)));
    writeFile("umi.mid", test::tinyMidi());
}

void BudgetHost::checkRealTime() const {
    if (std::chrono::steady_clock::now() - started_ > maxRealTime) throw RunAbandoned{};
}

void BudgetHost::addMessageLine(const std::string& line) {
    checkRealTime();
    FakeHost::addMessageLine(line);
}

void BudgetHost::spend() {
    checkRealTime();
    if (++waits_ > maxWaits || now > maxMs) throw RunAbandoned{};
    if (log.size() > 1000) log.clear();
}

void BudgetHost::waitForPage() {
    spend();
    FakeHost::waitForPage();
}

void BudgetHost::waitMs(std::int64_t ms) {
    spend();
    FakeHost::waitMs(ms);
}

BoxAnswer BudgetHost::messageBox(BoxKind kind, const std::string& text) {
    spend();
    FakeHost::messageBox(kind, text);
    if (kind == BoxKind::Notice || kind == BoxKind::InfoOk) return BoxAnswer::Ok;
    return (waits_ % 2) ? BoxAnswer::Yes : BoxAnswer::No;
}

std::string BudgetHost::inputText() {
    spend();
    FakeHost::inputText();
    static const char* const texts[] = {"", "Taro", "12", "-2147483648", "/*1*/", ".JR,Start"};
    return texts[waits_ % 6];
}

void BudgetHost::endGame() {
    spend();
    FakeHost::endGame();
}

void BudgetHost::closeMainWindow() {
    spend();
    FakeHost::closeMainWindow();
}

}  // namespace qel::fuzz
