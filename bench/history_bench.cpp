// The text history with 10,000 lines: what keeping them costs in memory, and
// how long the history window takes to open and paint them (one frame is
// about 16 ms). Prints "NAME VALUE UNIT" lines.
#include "dialogs/HistoryWindow.h"
#include "dialogs/MessageWindow.h"
#include "engine/TextHistory.h"
#include "platform/Cp932.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <vector>

using namespace qel;

namespace {

std::size_t heapInUse() { return mallinfo2().uordblks; }

// A line as scenarios write them: 10 to 38 full-width characters.
std::string sampleLine(int i) {
    static const char* words[] = {"灯台",       "の灯が",   "消えたまま",   "なの",
                                  "「わたしは", "アカリ」", "海からの風が", "少しつめたい。"};
    std::string utf8;
    for (int k = 0; k < 2 + i % 5; ++k) utf8 += words[(i + k * 3) % 8];
    return encode(QString::fromUtf8(utf8.c_str()));
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int kLines = int(TextHistory::kMaxLines);

    std::vector<std::string> lines;
    for (int i = 0; i < kLines; ++i) lines.push_back(sampleLine(i));

    const std::size_t before = heapInUse();
    auto history = std::make_unique<TextHistory>();
    for (int i = 0; i < kLines; ++i) {
        if (i % 4 == 0) history->endPage();
        history->addLine(lines[std::size_t(i)]);
    }
    const std::size_t kept = heapInUse() - before;
    std::printf("history.memory_10k_lines %.2f MB\n", double(kept) / (1024.0 * 1024.0));

    QWidget main;
    main.resize(486, 295);
    main.show();
    TFormMsgText messages;
    HistoryWindow window(&main);
    const QRect area(QPoint(0, 0), QSize(486, 295));

    // Opening: the text laid out and the first frame painted, newest line shown.
    std::vector<double> ms;
    std::size_t openHeap = 0;
    for (int round = 0; round < 7; ++round) {
        const std::size_t heap0 = heapInUse();
        QElapsedTimer t;
        t.start();
        window.open(*history, *messages.Memo1, area, 1);
        window.repaint();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        openHeap = std::max(openHeap, heapInUse() - heap0);
        if (window.view->verticalScrollBar()->value() != window.view->verticalScrollBar()->maximum())
            std::fprintf(stderr, "history not at its newest line\n");
        window.close();
        QApplication::processEvents();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("history.open_ms %.2f ms\n", ms[ms.size() / 2]);
    std::printf("history.open_worst_ms %.2f ms\n", ms.back());
    std::printf("history.window_memory_10k_lines %.2f MB\n", double(openHeap) / (1024.0 * 1024.0));
    return 0;
}
