// The read-text memory of a 10,000-line scenario (ten scene files of 1,000
// lines, every line shown): its size on disk and the time one save takes.
// Prints "NAME VALUE UNIT" lines.
#include "shell/ReadMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <algorithm>
#include <string>
#include <vector>

using namespace qel;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("read-text.bin");
    ReadMemory& memory = ReadMemory::instance();
    memory.open(path);
    std::vector<double> ms;
    for (int scene = 0; scene < 10; ++scene) {
        for (int line = 1; line <= 1000; ++line) memory.markShown("Scene" + std::to_string(scene) + ".dat", line);
        QElapsedTimer t;
        t.start();
        memory.save();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("readmemory.disk_kb_10k_lines %.2f KB\n", double(QFileInfo(path).size()) / 1024.0);
    // A save replaces the file by a rename after syncing it to the disk; the
    // median of the ten saves (the disk's own delays vary).
    std::sort(ms.begin(), ms.end());
    std::printf("readmemory.write_ms_10k_lines %.3f ms\n", ms[ms.size() / 2]);
    return 0;
}
