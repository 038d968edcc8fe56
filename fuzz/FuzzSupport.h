#pragma once
// Pieces the fuzz programs share: a headless Qt, a scratch scenario folder
// that stays the current folder for the program's life, and a recording host
// whose waits end the run once a budget is spent.
#include "FakeHost.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qel::fuzz {

// Starts a QGuiApplication on the offscreen platform (drawing text needs its
// fonts) and makes a fresh scratch folder the current folder. Called once, from
// LLVMFuzzerInitialize.
void start();

// Writes bytes to a file of the current (scratch) folder, replacing it.
void writeFile(const std::string& name, std::string_view bytes);

// Writes "bg.BMP" and a small bitmap under each picture name the demo and the
// seed scripts use, so that scripts reach past their picture commands.
void writePictures();

// The input's bytes as a string view.
inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The recording host with a budget: past maxWaits waiting calls, or once its
// clock has passed maxMs, every wait throws RunAbandoned as if the program
// were quitting. Ending the game and closing the main window count as waits:
// in the player they ask whether to save, and the run loop treats them so. Question boxes answer yes and no in turn; text input returns
// a few typical texts in turn. The log is kept short.
class BudgetHost : public test::FakeHost {
public:
    int maxWaits = 200;
    std::int64_t maxMs = 10 * 60 * 1000;
    // Real time one input may take. A script whose every pass waits once but
    // also expands huge placeholder lines stays within the wait budget for
    // minutes under the sanitizers; the player stays responsive meanwhile,
    // since each pass waits, so this is the harness's bound, not a hang.
    std::chrono::milliseconds maxRealTime{2000};

    void waitForPage() override;
    void waitMs(std::int64_t ms) override;
    BoxAnswer messageBox(BoxKind kind, const std::string& text) override;
    std::string inputText() override;
    void endGame() override;
    void closeMainWindow() override;
    void addMessageLine(const std::string& line) override;

private:
    void spend();
    void checkRealTime() const;
    int waits_ = 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace qel::fuzz
