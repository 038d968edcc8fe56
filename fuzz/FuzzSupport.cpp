#include "FuzzSupport.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <stdexcept>

namespace qel::fuzz {

namespace {

void put16(std::string& s, unsigned v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

} // namespace

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

std::string tinyBitmap(int w, int h) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::string s = "BM";
    put32(s, std::uint32_t(54 + stride * h));
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, std::uint32_t(w));
    put32(s, std::uint32_t(h));
    put16(s, 1);
    put16(s, 24);
    for (int i = 0; i < 6; ++i) put32(s, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s += char(x * 16);
            s += char(y * 16);
            s += char((x + y) * 8);
        }
        s.append(std::size_t(stride - w * 3), '\0');
    }
    return s;
}

std::string tinyMidi() {
    std::string s("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
    s += std::string("MTrk\0\0\0\x0C", 8);
    s += std::string("\0\x90\x3C\x40\x60\x80\x3C\x40\0\xFF\x2F\0", 12);
    return s;
}

void writePictures() {
    static const char* const names[] = {"bg", "Akari", "AkariB", "Beach", "Beam1", "Beam2", "Bottle",
                                        "BottleB", "BoxOpen", "Heya", "Kao", "LampOn", "Mado",
                                        "Title", "Tower", "Yoru"};
    for (const char* n : names) writeFile(std::string(n) + ".BMP", tinyBitmap(8, 6));
    writeFile("umi.mid", tinyMidi());
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

} // namespace qel::fuzz
