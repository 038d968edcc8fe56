// PT: text drawn on the shown picture, with the canvas's font settings.
#include "script/Script.h"
#include "platform/Cp932.h"
#include "platform/Fonts.h"

#include <QPainter>
#include <array>
#include <cstdlib>

namespace qel {

namespace {
struct NamedColour {
    const char* name;
    QRgb rgb;
};
constexpr std::array<NamedColour, 16> kColours{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x800000},
    {"clGreen", 0x008000},
    {"clOlive", 0x808000},
    {"clNavy", 0x000080},
    {"clPurple", 0x800080},
    {"clTeal", 0x008080},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0xFF0000},
    {"clLime", 0x00FF00},
    {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0x00FFFF},
    {"clWhite", 0xFFFFFF},
}};
}  // namespace

void DrawText(Game& g, std::int32_t x, std::int32_t y, const std::string& colourName, const std::string& fontName,
              std::int32_t height, const std::string& text) {
    for (const auto& c : kColours) {
        if (equalsIgnoreCase(colourName, c.name)) {
            g.canvasFont.colour = QColor(c.rgb);
            break;
        }
    }
    g.canvasFont.name = fontName;
    g.canvasFont.height = height;
    QImage& img = g.pics.ImageFront;
    if (img.isNull()) return;
    QPainter p(&img);
    QFont font = windowsFont(decode(fontName), height);
    p.setFont(font);
    p.setPen(g.canvasFont.colour);
    // The canvas draws text in an opaque cell of its brush colour (white).
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(QColor(Qt::white));
    // The operands may be anywhere in the 32-bit range: the baseline is worked
    // out in 64 bits, and text placed far outside the picture is not drawn.
    const std::int64_t baseline = std::int64_t(y) + QFontMetrics(font).ascent();
    constexpr std::int64_t kFar = 1 << 24;
    if (std::abs(std::int64_t(x)) < kFar && std::abs(baseline) < kFar)
        p.drawText(QPoint(x, int(baseline)), decode(text));
    p.end();
    g.host.updatePicture();
}

}  // namespace qel
