#pragma once
// A host with no windows for the benchmarks: nothing is shown and nothing
// waits, unless a benchmark overrides a call. Its clock is the real one.
#include "engine/Host.h"

#include <QElapsedTimer>
#include <functional>

class NullHost : public qel::GameHost {
public:
    NullHost() { clock_.start(); }
    // Called at every repaint, to see when a transition step has been drawn.
    std::function<void()> onRepaint;

    void clearMessageText() override {}
    void addMessageLine(const std::string&) override {}
    void waitForPage() override {}
    void closeMessageWindow() override {}
    void hideMessageWindow() override {}
    void showFace(const std::string&) override {}
    void resetFace() override {}
    void arrangeMessageWindow(const qel::MessageArrangement&) override {}
    void setClickLock(int) override {}
    void frameMainWindow(const qel::FrameRequest&) override {}
    void setPictureSize(int, int) override {}
    void repaintPicture() override {
        if (onRepaint) onRepaint();
    }
    void updatePicture() override {}
    void endGame() override {}
    void closeMainWindow() override {}
    void quitProgram() override {}
    qel::BoxAnswer messageBox(qel::BoxKind, const std::string&) override { return qel::BoxAnswer::Ok; }
    std::string inputText() override { return {}; }
    void playMusic(std::int32_t, const std::string&) override {}
    void playSound(std::int32_t, const std::string&) override {}
    std::int64_t nowMs() override { return clock_.elapsed(); }
    void waitMs(std::int64_t) override {}
    bool skipping() override { return false; }
    void sceneLoaded(const std::string&) override {}

private:
    QElapsedTimer clock_;
};
