// Timings of the scene loader, GP and one transition step.
// Prints "NAME VALUE UNIT" lines. Run from any folder; it works in a
// temporary folder of its own.
#include "NullHost.h"
#include "engine/Game.h"
#include "scene/Bitmap.h"
#include "scene/Pictures.h"
#include "scene/Scene.h"
#include "scene/Transitions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace qel;

namespace {

QImage noise(int w, int h, unsigned seed) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            line[x] = 0xFF000000u | (seed >> 8);
        }
    }
    return img;
}

void writeBitmap(const QString& name, const QImage& img) {
    // Qt writes images without alpha as 24-bit Windows bitmaps.
    if (!img.save(name, "BMP")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
        std::exit(1);
    }
}

void writeText(const QString& name, const std::string& text) {
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly)) std::exit(1);
    f.write(text.data(), qint64(text.size()));
}

// Mean time of one call in microseconds, after a few warm-up calls.
double meanUs(int runs, const std::function<void()>& f) {
    for (int i = 0; i < 3; ++i) f();
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < runs; ++i) f();
    return double(t.nsecsElapsed()) / 1000.0 / runs;
}

// Mean drawing time of one step of a transition: the time between two
// repaints, as waitMs returns at once.
double stepUs(Game& g, NullHost& host, int mode) {
    std::vector<qint64> marks;
    QElapsedTimer t;
    t.start();
    host.onRepaint = [&] { marks.push_back(t.nsecsElapsed()); };
    double total = 0;
    int count = 0;
    for (int run = 0; run < 5; ++run) {
        g.pics.ImageFront = g.pics.Haikei.copy();
        marks.clear();
        TransitionTo(g, mode, "slide");
        // marks: one per step, then the final repaint after the full copy.
        for (std::size_t i = 1; i + 1 < marks.size(); ++i, ++count) total += double(marks[i] - marks[i - 1]);
    }
    host.onRepaint = nullptr;
    return total / 1000.0 / count;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    QDir::setCurrent(dir.path());

    // A scene: 640 x 480 background, 50 objects, a body of 300 lines.
    writeBitmap("room.BMP", noise(640, 480, 1));
    std::string scene = "room,124\r\n";
    for (int k = 0; k < 50; ++k) {
        scene += std::to_string(k * 10) + "," + std::to_string(k * 10 + 9) + ",0,99\r\n";
        scene += "object" + std::to_string(k) + ",look,take,use,,\r\n";
    }
    scene += ";\r\n.Start\r\n";
    for (int i = 0; i < 300; ++i) scene += "Some text of the scene, line " + std::to_string(i) + "\r\n";
    scene += ";\r\n";
    writeText("room.dat", scene);

    writeBitmap("figB.bmp", noise(320, 240, 2));
    writeBitmap("fig.bmp", noise(320, 240, 3));
    writeBitmap("slide.bmp", noise(640, 480, 4));

    NullHost host;
    Game g(host);

    const double loadUs = meanUs(100, [&] { LoadScene(g, "room"); });
    std::printf("scene.load_ms %.3f ms\n", loadUs / 1000.0);
    // Parts of the load: the background's decode and the scene file's lines.
    const double bgUs = meanUs(100, [&] { (void)loadBitmapFile("room.BMP"); });
    std::printf("scene.background_load_ms %.3f ms\n", bgUs / 1000.0);
    const double readUs = meanUs(100, [&] { (void)ReadSceneFile("room.dat"); });
    std::printf("scene.read_file_ms %.3f ms\n", readUs / 1000.0);

    DrawPicture(g, 100, 80, 1, "fig");  // first use: the files are decoded and cached
    const double mode1 = meanUs(300, [&] { DrawPicture(g, 100, 80, 1, "fig"); });
    const double mode2 = meanUs(300, [&] { DrawPicture(g, 100, 80, 2, "fig"); });
    const double decode = meanUs(300, [&] { (void)loadBitmapFile("fig.bmp"); });
    QImage pic = loadBitmapFile("fig.bmp");
    const double blitOnly = meanUs(1000, [&] {
        rasterBlit(g.pics.ImageFront, 100, 80, pic, 0, 0, pic.width(), pic.height(), RasterOp::Copy);
    });
    std::printf("picture.gp_mode1_us %.1f us\n", mode1);
    std::printf("picture.gp_mode2_us %.1f us\n", mode2);
    std::printf("picture.bmp_load_320x240_us %.1f us\n", decode);
    std::printf("picture.blit_320x240_us %.1f us\n", blitOnly);

    std::printf("transition.step_us %.1f us\n", stepUs(g, host, 1));        // shift + uncovered strip
    std::printf("transition.step_mode2_us %.1f us\n", stepUs(g, host, 2));  // growing copy of the new picture
    std::printf("transition.step_mode5_us %.1f us\n", stepUs(g, host, 5));  // vertical shift + strip
    return 0;
}
