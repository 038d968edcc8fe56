// Raster operations, GC and GP.
#include "platform/Errors.h"
#include "scene/Pictures.h"

#include "FakeHost.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

struct PictureFixture : ::testing::Test {
    ScratchFolder folder;
    CapturingHost host;
    Game g{host};
    QImage background = patternImage(40, 30, 1);

    void SetUp() override {
        host.game = &g;
        g.pics.Haikei = background;
        g.pics.ImageFront = background.copy();
    }
};

}  // namespace

TEST(RasterBlit, OperationsWorkOnTheColourBits) {
    QImage dst = solidImage(3, 1, 0xF0F0F0);
    QImage src(3, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, 0x00FF0F00u);  // alpha bits clear in the source
    src.setPixel(1, 0, 0xFF0F0F0Fu);
    src.setPixel(2, 0, 0xFFFFFFFFu);
    QImage c = dst, a = dst, x = dst;
    rasterBlit(c, 0, 0, src, 0, 0, 3, 1, RasterOp::Copy);
    rasterBlit(a, 0, 0, src, 0, 0, 3, 1, RasterOp::And);
    rasterBlit(x, 0, 0, src, 0, 0, 3, 1, RasterOp::Xor);
    EXPECT_EQ(c.pixel(0, 0), 0xFFFF0F00u);
    EXPECT_EQ(a.pixel(0, 0), 0xFFF00000u);
    EXPECT_EQ(a.pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(a.pixel(2, 0), 0xFFF0F0F0u);
    EXPECT_EQ(x.pixel(0, 0), 0xFF0FFFF0u);
    EXPECT_EQ(x.pixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(x.pixel(2, 0), 0xFF0F0F0Fu);
    EXPECT_EQ(dst.pixel(0, 0), 0xFFF0F0F0u);  // the shared original was not touched
}

TEST(RasterBlit, ClipsOnEveryEdge) {
    const QImage src = patternImage(6, 5, 2);
    const QImage base = solidImage(8, 7, 0);
    struct Case {
        int dx, dy, sx, sy, w, h;
    };
    for (Case k : {Case{-2, -3, 0, 0, 6, 5}, Case{5, 4, 0, 0, 6, 5}, Case{1, 1, -2, -1, 6, 5}, Case{0, 0, 3, 2, 9, 9},
                   Case{8, 0, 0, 0, 6, 5}, Case{0, -5, 0, 0, 6, 5}, Case{INT_MAX, 0, 0, 0, 6, 5},
                   Case{INT_MIN, INT_MIN, 0, 0, INT_MAX, INT_MAX}}) {
        QImage dst = base.copy();
        rasterBlit(dst, k.dx, k.dy, src, k.sx, k.sy, k.w, k.h, RasterOp::Copy);
        for (int y = 0; y < dst.height(); ++y)
            for (int x = 0; x < dst.width(); ++x) {
                const std::int64_t sx = std::int64_t(x) - k.dx + k.sx, sy = std::int64_t(y) - k.dy + k.sy;
                const bool covered = sx >= std::max(0, k.sx) && sy >= std::max(0, k.sy) && sx < src.width() &&
                                     sy < src.height() && sx < std::int64_t(k.sx) + k.w &&
                                     sy < std::int64_t(k.sy) + k.h;
                const QRgb want = covered ? src.pixel(int(sx), int(sy)) : base.pixel(x, y);
                ASSERT_EQ(dst.pixel(x, y), want) << k.dx << "," << k.dy << " at " << x << "," << y;
            }
    }
}

TEST(RasterBlit, OverlappingCopyInOneBitmapReadsBeforeWriting) {
    const QImage orig = patternImage(12, 9, 3);
    for (auto [dx, dy] : {std::pair{3, 0}, {-3, 0}, {0, 2}, {0, -2}, {2, 2}}) {
        QImage img = orig.copy();
        rasterBlit(img, dx > 0 ? dx : 0, dy > 0 ? dy : 0, img, dx < 0 ? -dx : 0, dy < 0 ? -dy : 0, 12, 9,
                   RasterOp::Copy);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 12; ++x) {
                const int sx = x - dx, sy = y - dy;
                const bool moved = sx >= 0 && sy >= 0 && sx < 12 && sy < 9;
                ASSERT_EQ(img.pixel(x, y), moved ? orig.pixel(sx, sy) : orig.pixel(x, y)) << dx << "," << dy;
            }
    }
}

TEST_F(PictureFixture, MaskedPictureCombinesAndThenXor) {
    // White mask, black picture: nothing changes.
    folder.writeBmp("ghostB.bmp", solidImage(10, 10, 0xFFFFFF));
    folder.writeBmp("ghost.bmp", solidImage(10, 10, 0x000000));
    DrawPicture(g, 5, 5, 1, "ghost");
    EXPECT_EQ(g.pics.ImageFront, background);
    EXPECT_EQ(host.calls("repaint").size(), 1u);

    // Black mask: the same as an opaque copy.
    const QImage pic = patternImage(10, 8, 9);
    folder.writeBmp("figB.bmp", solidImage(10, 8, 0x000000));
    folder.writeBmp("fig.bmp", pic);
    DrawPicture(g, 7, 3, 1, "fig");
    QImage masked = g.pics.ImageFront;
    g.pics.ImageFront = background.copy();
    DrawPicture(g, 7, 3, 2, "fig");
    EXPECT_EQ(masked, g.pics.ImageFront);

    // Pixel by pixel: (background AND mask) XOR picture, each at its own size.
    const QImage mask = patternImage(12, 6, 4);
    folder.writeBmp("mixB.bmp", mask);
    folder.writeBmp("mix.bmp", pic);
    g.pics.ImageFront = background.copy();
    DrawPicture(g, 30, 26, 1, "mix");  // runs off the right and bottom edges
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            QRgb want = background.pixel(x, y);
            const int mx = x - 30, my = y - 26;
            if (mx >= 0 && my >= 0 && mx < 12 && my < 6) want &= mask.pixel(mx, my);
            if (mx >= 0 && my >= 0 && mx < 10 && my < 8) want ^= pic.pixel(mx, my);
            ASSERT_EQ(g.pics.ImageFront.pixel(x, y), want | 0xFF000000u) << x << "," << y;
        }
}

TEST_F(PictureFixture, MaskedPictureWithoutItsPictureFileKeepsTheAnd) {
    folder.writeBmp("lostB.bmp", solidImage(4, 4, 0x000000));
    EXPECT_EQ(errorText([&] { DrawPicture(g, 0, 0, 1, "lost"); }), cannotOpenError("lost.bmp").text());
    EXPECT_EQ(g.pics.ImageFront.pixel(3, 3), 0xFF000000u);
    EXPECT_EQ(g.pics.ImageFront.pixel(4, 4), background.pixel(4, 4));
    EXPECT_EQ(g.pics.TempCG.size(), QSize(4, 4));  // the mask stays in TempCG
    EXPECT_TRUE(host.calls("repaint").empty());
}

TEST_F(PictureFixture, OpaquePictureAtNegativeX) {
    const QImage pic = patternImage(30, 10, 5);
    folder.writeBmp("p.bmp", pic);
    DrawPicture(g, -20, 2, 2, "p");
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool in = x < 10 && y >= 2 && y < 12;
            ASSERT_EQ(g.pics.ImageFront.pixel(x, y), in ? pic.pixel(x + 20, y - 2) : background.pixel(x, y));
        }
    EXPECT_EQ(g.pics.Haikei, background);
}

TEST_F(PictureFixture, OtherModesReadNothing) {
    for (int mode : {0, 4, -1}) DrawPicture(g, 0, 0, mode, "nothing");
    EXPECT_EQ(g.pics.ImageFront, background);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(PictureFixture, FailedLoadKeepsTempCG) {
    folder.writeBmp("a.bmp", solidImage(3, 2, 0x123456));
    DrawPicture(g, 0, 0, 2, "a");
    folder.write("broken.bmp", "BMxx");
    EXPECT_EQ(errorText([&] { DrawPicture(g, 0, 0, 2, "broken"); }), badBitmapError().text());
    EXPECT_EQ(errorText([&] { DrawPicture(g, 0, 0, 3, "none"); }), cannotOpenError("none.bmp").text());
    EXPECT_EQ(g.pics.TempCG.size(), QSize(3, 2));
}

TEST_F(PictureFixture, DissolveDrawsEvenCellsThenOddCells) {
    const QImage pic = patternImage(25, 15, 7);
    folder.writeBmp("fade.bmp", pic);
    const int x0 = 6, y0 = 4;
    DrawPicture(g, x0, y0, 3, "fade");
    ASSERT_EQ(host.frames.size(), 10u);

    auto changedExactly = [&](const QImage& frame, auto isDrawn) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const int px = x - x0, py = y - y0;
                const bool inPic = px >= 0 && py >= 0 && px < 25 && py < 15;
                const QRgb want = inPic && isDrawn(px, py) ? pic.pixel(px, py) : background.pixel(x, y);
                if (frame.pixel(x, y) != want) return testing::AssertionFailure() << "at " << x << "," << y;
            }
        return testing::AssertionSuccess();
    };
    auto even = [](int px, int py) { return (px / 10 + py / 10) % 2 == 0; };
    // After phase 1, exactly the cells (0,0), (2,0) and (1,1).
    EXPECT_TRUE(changedExactly(host.frames[4], even));
    // Cell (2,0) is 5 columns wide: sub-step 2 copies its last column.
    EXPECT_TRUE(changedExactly(host.frames[1], [&](int px, int py) { return even(px, py) && px % 10 < 4; }));
    EXPECT_TRUE(changedExactly(host.frames[2], [&](int px, int py) { return even(px, py) && px % 10 < 6; }));
    EXPECT_TRUE(changedExactly(host.frames[7], [&](int px, int py) { return even(px, py) || px % 10 < 6; }));
    EXPECT_TRUE(changedExactly(host.frames[9], [](int, int) { return true; }));
}

TEST_F(PictureFixture, RestoreBackgroundShowsTheSceneAsLoaded) {
    folder.writeBmp("p.bmp", patternImage(8, 8, 2));
    DrawPicture(g, 1, 1, 2, "p");
    DrawPicture(g, 20, 10, 2, "p");
    host.log.clear();
    const QImage drawn = g.pics.ImageFront;  // shares the shown bitmap
    const QImage drawnCopy = drawn.copy();
    RestoreBackground(g);
    EXPECT_EQ(g.pics.ImageFront, background);
    EXPECT_EQ(drawn, drawnCopy);  // a holder of the old bitmap keeps it
    EXPECT_EQ(host.log, std::vector<std::string>{"update"});
    g.pics.ImageFront.setPixel(0, 0, 0xFF000000u);
    EXPECT_EQ(g.pics.Haikei, background);
    RestoreBackground(g);  // same size: the shown bitmap is rewritten in place
    EXPECT_EQ(g.pics.ImageFront, background);
    g.pics.ImageFront.setPixel(1, 0, 0xFF000000u);
    EXPECT_EQ(g.pics.Haikei, background);
}
