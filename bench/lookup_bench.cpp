// Case-insensitive file lookup in a folder of 100,000 entries: the first
// lookup (which reads the folder) and the ones after it.
#include "platform/FileLookup.h"

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace qel;

namespace {

double usSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main() {
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) return 1;
    constexpr int kEntries = 100'000;
    for (int i = 0; i < kEntries; ++i) {
        const std::string name = "pic" + std::to_string(i) + ".bmp";
        const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) return 1;
        ::close(fd);
    }
    // A folder filled a moment ago is read again at each lookup until it has
    // been quiet for a while; a scenario's folder has long been.
    timespec t[2];
    ::clock_gettime(CLOCK_REALTIME, &t[0]);
    t[0].tv_sec -= 60;
    t[1] = t[0];
    ::utimensat(AT_FDCWD, ".", t, 0);

    auto t0 = std::chrono::steady_clock::now();
    if (!findFile("PIC99999.BMP")) return 1;
    std::printf("lookup.first_ms_100k_entries %.1f ms\n", usSince(t0) / 1000.0);

    constexpr int kLookups = 20'000;
    int foundCount = 0;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kLookups; ++i) {
        const std::string name = "PIC" + std::to_string((i * 7919) % kEntries) + ".BMP";
        foundCount += findFile(name).has_value();
    }
    const double us = usSince(t0) / kLookups;
    if (foundCount != kLookups) {
        std::fprintf(stderr, "a lookup failed\n");
        return 1;
    }
    std::printf("lookup.us_100k_entries %.2f us\n", us);
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kLookups; ++i) foundCount -= findFile("missing" + std::to_string(i) + ".bmp").has_value();
    std::printf("lookup.missing_us_100k_entries %.2f us\n", usSince(t0) / kLookups);
    return foundCount == kLookups ? 0 : 1;
}
