#include "platform/Fonts.h"

#include "platform/Cp932.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <algorithm>
#include <cstdlib>

namespace qel {

namespace {

const QString kMincho = QStringLiteral("IPAMincho");
const QString kPMincho = QStringLiteral("IPAPMincho");
const QString kGothic = QStringLiteral("IPAGothic");
const QString kPGothic = QStringLiteral("IPAPGothic");

// Full-width Latin letters, digits and the ideographic space as their ASCII
// forms, blanks dropped, upper case: "ＭＳ Ｐ明朝" and "MS P明朝" and
// "ms p明朝" all become "MSP明朝".
QString normalise(const QString& face) {
    QString out;
    out.reserve(face.size());
    for (QChar c : face) {
        char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) u = static_cast<char16_t>(u - 0xFEE0);
        if (u == 0x3000 || u == ' ' || u == '\t' || u == '@') continue;
        out.append(QChar(u).toUpper());
    }
    return out;
}

// Pixel sizes beyond this are drawn at this size.
constexpr int kMaxPixels = 2048;
// Windows' default when a height of 0 is asked for: a 16-pixel cell.
constexpr int kDefaultCell = 16;

QFont sized(const QString& family, int pixels) {
    QFont f(family);
    f.setPixelSize(std::clamp(pixels, 1, kMaxPixels));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// The pixel size whose cell height (ascent + descent) is nearest to cell;
// on a tie the smaller size, since Windows never makes a cell taller than
// asked.
int pixelSizeForCell(const QString& family, int cell) {
    static QHash<QString, int> cache;
    const QString key = family + QLatin1Char('/') + QString::number(cell);
    auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;

    auto cellOf = [&](int px) { return QFontMetrics(sized(family, px)).height(); };
    const int probe = std::clamp(cell, 1, kMaxPixels);
    const int probeCell = std::max(1, cellOf(probe));
    const int guess = static_cast<int>(static_cast<long long>(cell) * probe / probeCell);
    int best = std::clamp(guess, 1, kMaxPixels);
    int bestDiff = std::abs(cellOf(best) - cell);
    for (int px = std::max(1, guess - 2); px <= std::min(kMaxPixels, guess + 2); ++px) {
        const int d = std::abs(cellOf(px) - cell);
        if (d < bestDiff || (d == bestDiff && px < best)) {
            best = px;
            bestDiff = d;
        }
    }
    cache.insert(key, best);
    return best;
}

}  // namespace

QString mapFaceName(const QString& windowsFace) {
    const QString n = normalise(windowsFace);
    if (n.isEmpty()) return kPGothic;
    // The IPA families themselves.
    if (n == QLatin1String("IPAMINCHO") || n == QStringLiteral("IPA明朝")) return kMincho;
    if (n == QLatin1String("IPAPMINCHO") || n == QStringLiteral("IPAP明朝")) return kPMincho;
    if (n == QLatin1String("IPAGOTHIC") || n == QStringLiteral("IPAゴシック")) return kGothic;
    if (n == QLatin1String("IPAPGOTHIC") || n == QStringLiteral("IPAPゴシック")) return kPGothic;

    const bool mincho = n.contains(QStringLiteral("明朝")) || n.contains(QLatin1String("MINCHO"));
    const bool gothic = n.contains(QStringLiteral("ゴシック")) || n.contains(QLatin1String("GOTHIC"));
    // Every other face (Meiryo, Yu Gothic, a Western face ...) is drawn with
    // the proportional gothic.
    if (!mincho && !gothic) return kPGothic;
    // "P" right before the kind word (ＭＳ Ｐ明朝, MS PGothic, HGP明朝 ...)
    // marks a proportional face; "UI" (MS UI Gothic) is proportional too.
    const int at = mincho ? std::max(n.indexOf(QStringLiteral("明朝")), n.indexOf(QLatin1String("MINCHO")))
                          : std::max(n.indexOf(QStringLiteral("ゴシック")), n.indexOf(QLatin1String("GOTHIC")));
    const QString before = n.left(at);
    const bool proportional = before.endsWith(QLatin1Char('P')) || before.endsWith(QLatin1String("UI"));
    if (mincho) return proportional ? kPMincho : kMincho;
    return proportional ? kPGothic : kGothic;
}

QString mapFaceName(const std::string& cp932Face) { return mapFaceName(decode(cp932Face)); }

QFont windowsFont(const QString& face, int windowsHeight) {
    const QString family = mapFaceName(face);
    if (windowsHeight < 0) {
        // Character height: the em square, which is what a pixel size sets.
        const long long h = -static_cast<long long>(windowsHeight);
        return sized(family, static_cast<int>(std::min<long long>(h, kMaxPixels)));
    }
    const int cell = windowsHeight == 0 ? kDefaultCell : std::min(windowsHeight, kMaxPixels);
    return sized(family, pixelSizeForCell(family, cell));
}

QFont windowsFont(const std::string& cp932Face, int windowsHeight) {
    return windowsFont(decode(cp932Face), windowsHeight);
}

QStringList missingJapaneseFonts() {
    QStringList missing;
    for (const QString& family : {kGothic, kPGothic, kMincho, kPMincho})
        if (!QFontDatabase::hasFamily(family)) missing << family;
    return missing;
}

QString missingFontsAdvice(const QStringList& missing) {
    // In English: without the fonts a Japanese text could not be read.
    return QStringLiteral(
               "The Japanese fonts %1 are not installed, so Japanese text is drawn as boxes.\n"
               "Install the packages fonts-ipafont-gothic and fonts-ipafont-mincho "
               "(sudo apt install fonts-ipafont-gothic fonts-ipafont-mincho).")
        .arg(missing.join(QStringLiteral(", ")));
}

}  // namespace qel
