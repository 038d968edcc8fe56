// The geometry of the view scale: choosing a scale, placing windows from the
// picture, keeping them on the screen and mapping clicks back to picture pixels.
#include "platform/ViewScale.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace qel;

TEST(ViewScale, AutomaticScaleFitsThePictureIn85PercentOfTheHeight) {
    struct Case {
        QSize picture;
        QSize available;
        double dpr;
        int expected;
    } cases[] = {
        {{486, 295}, {800, 600}, 1.0, 1},    // 590 > 510
        {{486, 295}, {1024, 768}, 1.0, 2},   // 590 <= 652
        {{486, 295}, {1920, 1040}, 1.0, 2},  // 885 > 884
        {{486, 295}, {1920, 1080}, 1.0, 3},  // 885 <= 918
        {{640, 480}, {3840, 2160}, 1.0, 3},  // 1440 <= 1836 < 1920
        {{486, 295}, {1920, 1080}, 2.0, 3},  // a 4K screen at ratio 2: 3 x 2 device pixels a pixel
        {{486, 295}, {1280, 720}, 1.5, 2},   // 1080 device pixels high: 2 x 1.5 x 295 = 885 <= 918
        {{486, 295}, {400, 2000}, 1.0, 1},   // too narrow for 2
        {{100, 50}, {3840, 2160}, 1.0, 6},   // never beyond 6
        {{486, 295}, {200, 100}, 1.0, 1},    // never below 1
        {{0, 0}, {1920, 1080}, 1.0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(autoScale(c.picture, c.available, c.dpr), c.expected)
            << c.picture.width() << "x" << c.picture.height() << " on " << c.available.width() << "x"
            << c.available.height() << " at " << c.dpr;
}

TEST(ViewScale, FullScreenCentresTheLargestScaleThatFits) {
    struct Case {
        QSize picture;
        QSize area;
        int scale;
        QRect rect;
    } cases[] = {
        {{486, 295}, {1920, 1080}, 3, {231, 97, 1458, 885}},
        {{640, 480}, {1920, 1080}, 2, {320, 60, 1280, 960}},
        {{486, 295}, {1024, 768}, 2, {26, 89, 972, 590}},
        {{486, 295}, {400, 300}, 1, {-43, 2, 486, 295}},  // too large: still 1, centred
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitScale(c.picture, c.area), c.scale);
        EXPECT_EQ(centredPictureRect(c.area, c.picture, c.scale), c.rect);
    }
}

TEST(ViewScale, PlacesFromThePictureAndKeepsWindowsOnTheScreen) {
    EXPECT_EQ(placeFromOrigin({100, 50}, {0, 322}, 1), QPoint(100, 372));
    EXPECT_EQ(placeFromOrigin({100, 50}, {0, 322}, 2), QPoint(100, 694));
    EXPECT_EQ(placeFromOrigin({100, 50}, {-5, 7}, 3), QPoint(85, 71));
    EXPECT_EQ(placeFromOrigin({0, 0}, {2000000000, -2000000000}, 6), QPoint(QWIDGETSIZE_MAX, -QWIDGETSIZE_MAX));

    const QRect screen(0, 0, 1920, 1040);
    struct Case {
        QRect window;
        QPoint expected;
    } cases[] = {
        {{100, 100, 152, 181}, {100, 100}},     // inside: unchanged
        {{1850, 100, 152, 181}, {1768, 100}},   // right edge: moved left
        {{100, 950, 152, 181}, {100, 859}},     // bottom: moved up
        {{1900, 1000, 304, 362}, {1616, 678}},  // both
        {{-20, -30, 152, 181}, {0, 0}},         // above and left of the screen
        {{50, 50, 2000, 1200}, {0, 0}},         // larger than the screen: its corner stays on it
    };
    for (const Case& c : cases)
        EXPECT_EQ(keepInside(c.window, screen), c.expected) << c.window.x() << "," << c.window.y();
    EXPECT_EQ(keepInside({1900, 1000, 152, 181}, {1920, 0, 1280, 1024}), QPoint(1920, 843));  // a second screen
}

TEST(ViewScale, ClicksMapBackToPicturePixels) {
    struct Case {
        QPoint view;
        QRect picture;
        int scale;
        std::optional<QPoint> pixel;
    } cases[] = {
        {{0, 0}, {0, 0, 486, 295}, 1, QPoint(0, 0)},
        {{485, 294}, {0, 0, 486, 295}, 1, QPoint(485, 294)},
        {{486, 10}, {0, 0, 486, 295}, 1, std::nullopt},
        {{5, 5}, {0, 0, 972, 590}, 2, QPoint(2, 2)},
        {{971, 589}, {0, 0, 972, 590}, 2, QPoint(485, 294)},
        {{231, 97}, {231, 97, 1458, 885}, 3, QPoint(0, 0)},
        {{233, 99}, {231, 97, 1458, 885}, 3, QPoint(0, 0)},
        {{234, 100}, {231, 97, 1458, 885}, 3, QPoint(1, 1)},
        {{230, 500}, {231, 97, 1458, 885}, 3, std::nullopt},  // the black border
        {{1688, 981}, {231, 97, 1458, 885}, 3, QPoint(485, 294)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toPicturePixel(c.view, c.picture, c.scale), c.pixel) << c.view.x() << "," << c.view.y();
        // And back: the view point of a pixel lies inside that pixel's block.
        if (c.pixel) {
            EXPECT_EQ(toPicturePixel(toViewPoint(*c.pixel, c.picture, c.scale), c.picture, c.scale), c.pixel);
        }
    }
}

TEST(ViewScale, ScaleOptionAndCurrentScale) {
    EXPECT_EQ(parseScaleOption("auto"), 0);
    EXPECT_EQ(parseScaleOption("1"), 1);
    EXPECT_EQ(parseScaleOption("6"), 6);
    for (const char* bad : {"0", "7", "-2", "2x", "", " 2", "AUTO"})
        EXPECT_EQ(parseScaleOption(bad), std::nullopt) << bad;

    int told = 0;
    QObject listener;
    QObject::connect(&ViewScale::instance(), &ViewScale::changed, &listener, [&told](int n) { told = n; });
    ViewScale::instance().setFactor(9);
    EXPECT_EQ(ViewScale::factor(), 6);
    EXPECT_EQ(told, 6);
    ViewScale::instance().setFactor(1);
    EXPECT_EQ(told, 1);
}
