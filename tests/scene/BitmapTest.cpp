#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "scene/Bitmap.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace qel;
using qel::test::ScratchFolder;

namespace {

void put16(std::string& s, unsigned v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// Describes a bitmap file to build byte by byte.
struct Bmp {
    unsigned headerSize = 40;  // 12 (OS/2 core), 40, 108 (V4) or 124 (V5)
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: top-down
    unsigned bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::vector<std::uint32_t> masks;    // inside a V4/V5 header, else after a 40-byte one
    std::string pixels;

    std::string bytes() const {
        std::string h;
        if (headerSize == 12) {
            put32(h, 12);
            put16(h, unsigned(width));
            put16(h, unsigned(height));
            put16(h, 1);
            put16(h, bpp);
        } else {
            put32(h, headerSize);
            put32(h, std::uint32_t(width));
            put32(h, std::uint32_t(height));
            put16(h, 1);
            put16(h, bpp);
            put32(h, compression);
            put32(h, std::uint32_t(pixels.size()));
            put32(h, 2835);
            put32(h, 2835);
            put32(h, colorsUsed);
            put32(h, 0);
            if (headerSize > 40) {
                for (std::size_t i = 0; i < 4; ++i) put32(h, i < masks.size() ? masks[i] : 0);
                put32(h, 0x73524742);  // 'sRGB'
                while (h.size() < headerSize) h += '\0';
            } else {
                for (auto m : masks) put32(h, m);
            }
        }
        for (auto c : palette) {
            h += char(c & 0xFF);
            h += char((c >> 8) & 0xFF);
            h += char((c >> 16) & 0xFF);
            if (headerSize != 12) h += '\0';
        }
        std::string f = "BM";
        put32(f, std::uint32_t(14 + h.size() + pixels.size()));
        put32(f, 0);
        put32(f, std::uint32_t(14 + h.size()));
        return f + h + pixels;
    }
};

QByteArray qb(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

// Pixels expected, row by row from the top, as 0xRRGGBB.
void expectPixels(const QImage& img, int w, int h, const std::vector<std::uint32_t>& rgb) {
    ASSERT_EQ(img.format(), QImage::Format_RGB32);
    ASSERT_EQ(img.width(), w);
    ASSERT_EQ(img.height(), h);
    ASSERT_EQ(rgb.size(), std::size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(reinterpret_cast<const QRgb*>(img.constScanLine(y))[x], 0xFF000000u | rgb[std::size_t(y * w + x)])
                << "at " << x << "," << y;
}

std::string badBitmapText() { return badBitmapError().text(); }

// Decoding must fail with exactly the bitmap error (and never crash).
void expectBad(const std::string& bytes, const char* what) {
    try {
        QImage img = decodeBitmap(qb(bytes));
        ADD_FAILURE() << what << ": decoded as " << img.width() << "x" << img.height();
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), badBitmapText()) << what;
    }
}

constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, K = 0x000000, W = 0xFFFFFF;

}  // namespace

TEST(Bitmap, PalettedDepthsDecodeBottomUpWithRowPadding) {
    // 1 bit: 10 pixels a row, 2 bytes + 2 padding.
    Bmp one;
    one.width = 10;
    one.height = 2;
    one.bpp = 1;
    one.palette = {R, B};
    // Bottom row first: 1010101010, then top row 1100000001.
    one.pixels = std::string("\xAA\x80\x00\x00\xC0\x40\x00\x00", 8);
    expectPixels(decodeBitmap(qb(one.bytes())), 10, 2, {B, B, R, R, R, R, R, R, R, B, B, R, B, R, B, R, B, R, B, R});

    // 4 bits: 3 pixels a row (2 bytes + 2 padding), a 16-colour palette.
    Bmp four;
    four.width = 3;
    four.height = 2;
    four.bpp = 4;
    for (unsigned i = 0; i < 16; ++i) four.palette.push_back(i * 0x111111u);
    four.pixels = std::string("\x01\x20\x00\x00\xFE\xD0\x00\x00", 8);
    expectPixels(decodeBitmap(qb(four.bytes())), 3, 2, {0xFFFFFF, 0xEEEEEE, 0xDDDDDD, 0x000000, 0x111111, 0x222222});

    // 8 bits with a short colour table: indices past it come out black.
    Bmp eight;
    eight.width = 5;
    eight.height = 1;
    eight.bpp = 8;
    eight.colorsUsed = 3;
    eight.palette = {R, G, B};
    eight.pixels = std::string("\x02\x01\x00\x03\xFF\x00\x00\x00", 8);
    expectPixels(decodeBitmap(qb(eight.bytes())), 5, 1, {B, G, R, K, K});
}

TEST(Bitmap, SixteenBitFiveFiveFiveAndBitfieldsFiveSixFive) {
    Bmp rgb555;
    rgb555.width = 3;
    rgb555.height = 1;
    rgb555.bpp = 16;
    std::string px;
    put16(px, 0x7C00);  // red
    put16(px, 0x03E0);  // green
    put16(px, 0x4210);  // 16,16,16 -> 132 with bit replication
    px += std::string(2, '\0');
    rgb555.pixels = px;
    expectPixels(decodeBitmap(qb(rgb555.bytes())), 3, 1, {R, G, 0x848484});

    // 5-6-5 with the masks after a 40-byte header, then inside a V4 header.
    Bmp rgb565;
    rgb565.width = 2;
    rgb565.height = 2;
    rgb565.bpp = 16;
    rgb565.compression = 3;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    px.clear();
    put16(px, 0x001F);
    put16(px, 0xFFFF);  // bottom: blue, white
    put16(px, 0xF800);
    put16(px, 0x07E0);  // top: red, green
    rgb565.pixels = px;
    const std::vector<std::uint32_t> want{R, G, B, W};
    expectPixels(decodeBitmap(qb(rgb565.bytes())), 2, 2, want);
    rgb565.headerSize = 108;
    expectPixels(decodeBitmap(qb(rgb565.bytes())), 2, 2, want);
    rgb565.headerSize = 124;
    expectPixels(decodeBitmap(qb(rgb565.bytes())), 2, 2, want);
}

TEST(Bitmap, TrueColourTopDownAndThirtyTwoBitIgnoresAlpha) {
    Bmp top;
    top.width = 3;  // 9 bytes a row + 3 padding
    top.height = -2;
    top.bpp = 24;
    top.pixels = std::string(
        "\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00"
        "\x10\x20\x30\xFF\xFF\xFF\x00\x00\x00\x00\x00\x00",
        24);
    expectPixels(decodeBitmap(qb(top.bytes())), 3, 2, {R, G, B, 0x302010, W, K});

    Bmp rgbx;
    rgbx.width = 2;
    rgbx.height = 1;
    rgbx.bpp = 32;
    rgbx.pixels = std::string("\x01\x02\x03\x00\x30\x20\x10\x80", 8);
    QImage img = decodeBitmap(qb(rgbx.bytes()));
    expectPixels(img, 2, 1, {0x030201, 0x102030});  // stored alpha is 0xFF whatever the file holds

    // 32 bits with bit fields in a V5 header, channels in an unusual order.
    Bmp fields = rgbx;
    fields.headerSize = 124;
    fields.compression = 3;
    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    expectPixels(decodeBitmap(qb(fields.bytes())), 2, 1, {0x010203, 0x302010});
}

TEST(Bitmap, Os2CoreHeaderUsesThreeBytePaletteEntries) {
    Bmp core;
    core.headerSize = 12;
    core.width = 2;
    core.height = 2;
    core.bpp = 8;
    for (unsigned i = 0; i < 256; ++i) core.palette.push_back(i == 1 ? R : i == 2 ? G : i == 3 ? B : W);
    core.pixels = std::string("\x03\x00\x00\x00\x01\x02\x00\x00", 8);
    expectPixels(decodeBitmap(qb(core.bytes())), 2, 2, {R, G, B, W});

    Bmp core24;
    core24.headerSize = 12;
    core24.width = 1;
    core24.height = 1;
    core24.pixels = std::string("\x11\x22\x33\x00", 4);
    expectPixels(decodeBitmap(qb(core24.bytes())), 1, 1, {0x332211});
}

TEST(Bitmap, Rle8WithAbsoluteRunsDeltaAndEndOfLine) {
    Bmp rle;
    rle.width = 6;
    rle.height = 3;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = {K, R, G, B, W};
    rle.pixels = std::string(
        "\x03\x01"                  // bottom row: 3 x red
        "\x00\x03\x02\x03\x04\x00"  // absolute: green blue white (+ pad)
        "\x00\x00"                  // end of line
        "\x00\x02\x02\x00"          // delta: 2 right on the middle row
        "\x02\x04"                  // 2 x white
        "\x00\x00"                  // end of line (rest of the row stays black)
        "\x06\x03"                  // top row: 6 x blue
        "\x00\x01",                 // end of picture
        22);
    expectPixels(decodeBitmap(qb(rle.bytes())), 6, 3, {B, B, B, B, B, B, K, K, W, W, K, K, R, R, R, G, B, W});

    // A delta that moves up a row; the skipped pixels stay black.
    rle.height = 2;
    rle.width = 3;
    rle.pixels = std::string("\x01\x01\x00\x02\x01\x01\x01\x02\x00\x01", 10);
    expectPixels(decodeBitmap(qb(rle.bytes())), 3, 2, {K, K, G, R, K, K});
}

TEST(Bitmap, Rle4AlternatesNibblesInRunsAndAbsoluteMode) {
    Bmp rle;
    rle.width = 8;
    rle.height = 2;
    rle.bpp = 4;
    rle.compression = 2;
    rle.palette = {K, R, G, B, W};
    rle.pixels = std::string(
        "\x05\x12"  // bottom: R G R G R
        "\x02\x44"  // W W
        "\x00\x00"
        "\x00\x03\x34\x10"          // absolute 3 nibbles: B W R (2 bytes, already even)
        "\x00\x05\x12\x34\x00\x00"  // absolute 5 nibbles: R G B W K (3 bytes + pad)
        "\x00\x01",
        18);
    expectPixels(decodeBitmap(qb(rle.bytes())), 8, 2, {B, W, R, R, G, B, W, K, R, G, R, G, R, W, W, K});
}

TEST(Bitmap, AgreesWithTheTwentyFourBitWriterOnAnOddSizedPicture) {
    QImage src(13, 7, QImage::Format_RGB32);
    auto* rng = QRandomGenerator::global();
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) src.setPixel(x, y, 0xFF000000u | (rng->generate() & 0xFFFFFF));
    EXPECT_EQ(decodeBitmap(qb(qel::test::bmpBytes(src))), src);
}

TEST(Bitmap, BrokenCorpusGivesTheBitmapError) {
    Bmp good;
    good.width = 4;
    good.height = 4;
    good.pixels = std::string(48, '\x40');
    const std::string ok = good.bytes();
    ASSERT_NO_THROW(decodeBitmap(qb(ok)));

    auto with = [&](std::size_t at, std::uint32_t v) {
        std::string s = ok;
        set32(s, at, v);
        return s;
    };
    auto with16 = [&](std::size_t at, unsigned v) {
        std::string s = ok;
        s[at] = char(v & 0xFF);
        s[at + 1] = char(v >> 8);
        return s;
    };

    expectBad("", "empty");
    expectBad("BM", "magic only");
    expectBad(ok.substr(0, 10), "truncated file header");
    expectBad(ok.substr(0, 30), "truncated info header");
    expectBad("XY" + ok.substr(2), "wrong magic");
    expectBad(ok.substr(0, ok.size() - 13), "truncated pixels");
    expectBad(ok.substr(0, 54), "no pixels at all");
    expectBad(with(14, 0), "header size 0");
    expectBad(with(14, 13), "header size 13");
    expectBad(with(14, 0xFFFFFFF0u), "header size huge");
    expectBad(with(18, 0), "width 0");
    expectBad(with(18, std::uint32_t(-4)), "negative width");
    expectBad(with(22, 0), "height 0");
    expectBad(with(22, 0x80000000u), "most negative height");
    expectBad(with(18, 0x7FFFFFFF), "huge width");
    expectBad(with(22, 0x7FFFFFFF), "huge height");
    expectBad(with(18, 20000), "pixels beyond the file");
    expectBad(with(10, 0), "offset 0");
    expectBad(with(10, 20), "offset inside the header");
    expectBad(with(10, std::uint32_t(ok.size())), "offset at the end");
    expectBad(with(10, 0xFFFFFFFFu), "offset far beyond the file");
    expectBad(with(10, 60), "offset leaves too few pixel bytes");
    for (unsigned bpp : {0u, 2u, 7u, 12u, 33u, 64u, 0xFFFFu}) expectBad(with16(28, bpp), "bad depth");
    expectBad(with(30, 1), "RLE8 on 24 bits");
    expectBad(with(30, 2), "RLE4 on 24 bits");
    expectBad(with(30, 3), "bit fields on 24 bits");
    expectBad(with(30, 4), "JPEG");
    expectBad(with(30, 5), "PNG");
    expectBad(with(30, 99), "unknown compression");

    Bmp core;
    core.headerSize = 12;
    core.width = 2;
    core.height = 2;
    core.bpp = 16;
    core.pixels = std::string(8, '\0');
    expectBad(core.bytes(), "16 bits in an OS/2 header");
    core.bpp = 24;
    core.width = 0;
    expectBad(core.bytes(), "OS/2 width 0");

    Bmp fields;
    fields.width = 1;
    fields.height = 1;
    fields.bpp = 16;
    fields.compression = 3;
    fields.pixels = std::string(4, '\0');
    expectBad(fields.bytes().substr(0, 58), "bit fields cut off");
}

TEST(Bitmap, BrokenRunLengthStreamsGiveTheBitmapError) {
    auto rle8 = [](int w, int h, const std::string& stream) {
        Bmp b;
        b.width = w;
        b.height = h;
        b.bpp = 8;
        b.compression = 1;
        b.palette = {K, W};
        b.pixels = stream;
        return b.bytes();
    };
    using std::string;
    expectBad(rle8(4, 2, string("\x05\x01\x00\x01", 4)), "run past the right edge");
    expectBad(rle8(4, 2, string("\x00\x05\x01\x01\x01\x01\x01\x00\x00\x01", 10)), "absolute run past the edge");
    expectBad(rle8(4, 2, string("\x00\x02\x05\x00\x00\x01", 6)), "delta past the right edge");
    expectBad(rle8(4, 2, string("\x00\x02\x00\x03\x00\x01", 6)), "delta past the top");
    expectBad(rle8(4, 1, string("\x04\x01\x00\x00\x01\x01\x00\x01", 8)), "pixels above the top row");
    expectBad(rle8(4, 2, string("\x00\x04\x01\x01", 4)), "absolute run cut off");
    expectBad(rle8(4, 2, string("\x02\x01\x00", 3)), "stream cut inside a command");
    expectBad(rle8(4, 2, string("\x00\x02\x01", 3)), "delta cut off");
    expectBad(rle8(4, 2, "").substr(0, 62), "no stream at all");
    // A huge declared size with a tiny stream must be refused before allocating.
    expectBad(rle8(60000, 60000, string("\x00\x01", 2)), "huge RLE picture");

    Bmp four;
    four.width = 3;
    four.height = 1;
    four.bpp = 4;
    four.compression = 2;
    four.palette = {K, W};
    four.pixels = string("\x04\x11\x00\x01", 4);
    expectBad(four.bytes(), "RLE4 run past the edge");
    four.bpp = 8;
    expectBad(four.bytes(), "RLE4 on 8 bits");
}

// Every prefix and a spread of single-byte changes of valid files of each
// kind either decode or give the bitmap error; nothing else may happen.
TEST(Bitmap, MangledFilesNeverEscapeTheBitmapError) {
    std::vector<std::string> samples;
    Bmp b;
    b.width = 5;
    b.height = 3;
    b.bpp = 8;
    b.palette = {K, R, G, B};
    b.pixels = std::string(24, '\x02');
    samples.push_back(b.bytes());
    b.compression = 1;
    b.pixels = std::string("\x05\x01\x00\x00\x00\x03\x01\x02\x03\x00\x00\x01", 12);
    samples.push_back(b.bytes());
    b.bpp = 4;
    b.compression = 2;
    b.pixels = std::string("\x05\x12\x00\x00\x00\x05\x12\x30\x10\x00\x00\x01", 12);
    samples.push_back(b.bytes());
    Bmp f;
    f.headerSize = 124;
    f.width = 3;
    f.height = -2;
    f.bpp = 16;
    f.compression = 3;
    f.masks = {0xF800, 0x07E0, 0x001F};
    f.pixels = std::string(16, '\x5A');
    samples.push_back(f.bytes());

    auto* rng = QRandomGenerator::global();
    for (const auto& s : samples) {
        for (std::size_t n = 0; n < s.size(); ++n) {
            try {
                decodeBitmap(qb(s.substr(0, n)));
            } catch (const GameError& e) {
                ASSERT_EQ(e.text(), badBitmapText());
            }
        }
        // The high bytes of width and height stay as they are: a run-length
        // picture may legitimately be large and mostly blank, and allocating
        // such pictures over and over would only slow the test down (the size
        // limits have tests of their own above).
        auto mutate = [&](std::string& m) {
            quint32 at = rng->bounded(quint32(m.size()));
            if ((at >= 19 && at <= 21) || (at >= 23 && at <= 25)) return;
            m[at] = char(rng->bounded(256));
        };
        for (int i = 0; i < 2000; ++i) {
            std::string m = s;
            mutate(m);
            if (i % 2) mutate(m);
            try {
                decodeBitmap(qb(m));
            } catch (const GameError& e) {
                ASSERT_EQ(e.text(), badBitmapText());
            }
        }
    }
}

TEST(BitmapFile, LoadsByTheLookupAndReportsMissingFilesByTheirName) {
    ScratchFolder dir;
    dir.writeBmp("pics/Room.BMP", qel::test::solidImage(3, 2, 0x123456));
    QImage img = loadBitmapFile("PICS\\room.bmp");
    expectPixels(img, 3, 2, std::vector<std::uint32_t>(6, 0x123456));

    const std::string missing = sj("部屋ソ.BMP");
    try {
        loadBitmapFile(missing);
        ADD_FAILURE() << "missing file loaded";
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), cannotOpenError(missing).text());
    }

    // A folder of that name is not a file to open.
    QDir().mkpath(dir.path() + "/folder.bmp");
    try {
        loadBitmapFile("folder.bmp");
        ADD_FAILURE() << "folder loaded";
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), cannotOpenError("folder.bmp").text());
    }

    dir.write("broken.bmp", "BM not really a bitmap");
    try {
        loadBitmapFile("broken.bmp");
        ADD_FAILURE() << "broken file loaded";
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), badBitmapText());
    }
}

TEST(BitmapFile, LoadsAFileStoredUnderItsCp932Name) {
    ScratchFolder dir;
    const std::string name = sj("表示.bmp");  // 95 5C ...: a trail byte that looks like "\"
    const std::string bytes = qel::test::bmpBytes(qel::test::solidImage(2, 2, 0xABCDEF));
    const std::string path = QFile::encodeName(dir.path()).toStdString() + "/" + name;
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fd);
    expectPixels(loadBitmapFile(sj("表示.BMP")), 2, 2, std::vector<std::uint32_t>(4, 0xABCDEF));
}

TEST(BitmapFile, UnreadableFileCannotBeOpened) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
    ScratchFolder dir;
    dir.writeBmp("locked.bmp", qel::test::solidImage(1, 1, 0));
    QFile::setPermissions(dir.path() + "/locked.bmp", QFileDevice::Permissions());
    try {
        loadBitmapFile("locked.bmp");
        ADD_FAILURE() << "unreadable file loaded";
    } catch (const GameError& e) {
        EXPECT_EQ(e.text(), cannotOpenError("locked.bmp").text());
    }
}

TEST(Bitmap, RleDeclaringMorePixelsThanItsStreamCanFillIsRefusedBeforeAllocating) {
    Bmp rle;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = {K, R};
    // A kilobyte of stream cannot fill 8192 x 8192 pixels (it would cost 256 MiB).
    // The refusal comes before the picture is allocated: the process's peak
    // memory does not grow by anything like it.
    auto peakKb = [] {
        rusage use{};
        getrusage(RUSAGE_SELF, &use);
        return use.ru_maxrss;
    };
    const long peakBefore = peakKb();
    rle.width = rle.height = 8192;
    rle.pixels.clear();
    for (int i = 0; i < 500; ++i) rle.pixels += std::string("\xFF\x01", 2);
    rle.pixels += std::string("\x00\x01", 2);
    expectBad(rle.bytes(), "8192 x 8192 from a kilobyte");
    Bmp four = rle;
    four.bpp = 4;
    four.compression = 2;
    expectBad(four.bytes(), "RLE4 8192 x 8192 from a kilobyte");
    EXPECT_LT(peakKb() - peakBefore, 64 * 1024) << "the refused pictures were allocated";

    // A big picture coded in the longest runs there are loads.
    rle.width = 2048;
    rle.height = 1024;
    rle.pixels.clear();
    for (int row = 0; row < rle.height; ++row) {
        for (int i = 0; i < 8; ++i) rle.pixels += std::string("\xFF\x01", 2);
        rle.pixels += std::string("\x08\x01\x00\x00", 4);
    }
    QImage full = decodeBitmap(qb(rle.bytes()));
    EXPECT_EQ(full.size(), QSize(2048, 1024));
    EXPECT_EQ(full.pixel(2047, 0), R | 0xFF000000u);
    EXPECT_EQ(full.pixel(0, 1023), R | 0xFF000000u);

    // A small picture that ends at once still loads, black.
    rle.width = rle.height = 1000;
    rle.pixels = std::string("\x00\x01", 2);
    EXPECT_EQ(decodeBitmap(qb(rle.bytes())).pixel(999, 999), 0xFF000000u);
}
