// Scenario archives: the first unpack of a 50 MB archive (against a plain copy
// of the same file, for the disk's own speed) and the second opening, which
// must find the earlier unpack without unpacking again.
#include "platform/ArchiveUnpack.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace qel;

namespace {

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A stored ZIP of 50 files of 1 MiB each (bytes that do not compress), in a
// folder with a Japanese name, with the scenario's opening scene.
bool makeArchive(const QString& path, std::size_t files, std::size_t fileBytes) {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_options(a, "zip:compression=store");
    if (archive_write_open_filename(a, QFile::encodeName(path).constData()) != ARCHIVE_OK) return false;
    std::mt19937_64 rng(42);
    std::vector<char> data(fileBytes);
    auto add = [&](const std::string& name, const char* bytes, std::size_t n) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, la_int64_t(n));
        archive_write_header(a, e);
        archive_write_data(a, bytes, n);
        archive_entry_free(e);
    };
    const std::string opening = "bg,124\r\n;\r\n.Start\r\nhello\r\n;\r\n";
    add("game/Opning.dat", opening.data(), opening.size());
    for (std::size_t i = 0; i < files; ++i) {
        for (std::size_t j = 0; j + 8 <= data.size(); j += 8) {
            const std::uint64_t v = rng();
            std::copy_n(reinterpret_cast<const char*>(&v), 8, data.data() + j);
        }
        add("game/data/pic" + std::to_string(i) + ".bmp", data.data(), data.size());
    }
    archive_write_close(a);
    archive_write_free(a);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString zip = dir.filePath("game.zip");
    const std::size_t files = 50, fileBytes = std::size_t(1) << 20;
    if (!makeArchive(zip, files, fileBytes)) {
        std::fprintf(stderr, "cannot write the archive\n");
        return 1;
    }
    const double megabytes = double(files * fileBytes) / 1e6;

    auto t0 = std::chrono::steady_clock::now();
    QFile::copy(zip, dir.filePath("copy.zip"));
    const double copy = seconds(std::chrono::steady_clock::now() - t0);

    t0 = std::chrono::steady_clock::now();
    UnpackedArchive first = UnpackArchive(zip, dir.filePath("cache"));
    const double unpack = seconds(std::chrono::steady_clock::now() - t0);
    if (!first.unpackedNow || first.scenarioFolder.isEmpty()) {
        std::fprintf(stderr, "the unpack went wrong\n");
        return 1;
    }

    std::vector<double> reopen;
    for (int i = 0; i < 5; ++i) {
        t0 = std::chrono::steady_clock::now();
        UnpackedArchive again = UnpackArchive(zip, dir.filePath("cache"));
        reopen.push_back(seconds(std::chrono::steady_clock::now() - t0) * 1000.0);
        if (again.unpackedNow) {
            std::fprintf(stderr, "the second opening unpacked again\n");
            return 1;
        }
    }
    std::sort(reopen.begin(), reopen.end());

    std::printf("archive.copy_mb_per_s %.1f MB/s\n", megabytes / copy);
    std::printf("archive.unpack_mb_per_s %.1f MB/s\n", megabytes / unpack);
    std::printf("archive.reopen_ms %.2f ms\n", reopen[reopen.size() / 2]);
    return 0;
}
