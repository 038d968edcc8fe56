#include "platform/ViewScale.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qel {

ViewScale& ViewScale::instance() {
    static ViewScale* scale = new ViewScale;  // lives as long as the program
    return *scale;
}

void ViewScale::setFactor(int factor) {
    factor = clampScale(factor);
    if (factor == factor_) return;
    factor_ = factor;
    emit changed(factor_);
}

int clampScale(int scale) { return std::clamp(scale, kMinScale, kMaxScale); }

std::optional<int> parseScaleOption(const QString& text) {
    if (text == QLatin1String("auto")) return 0;
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < kMinScale || n > kMaxScale || text.trimmed() != text) return std::nullopt;
    return n;
}

int autoScale(QSize picture, QSize available, double devicePixelRatio) {
    if (picture.width() <= 0 || picture.height() <= 0) return kMinScale;
    const double dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    // Device pixels: the screen's real height and the picture as Qt will draw it at N.
    const double roomHigh = kAutoScaleShare * available.height() * dpr;
    const double roomWide = available.width() * dpr;
    int n = kMinScale;
    while (n < kMaxScale && picture.height() * (n + 1) * dpr <= roomHigh && picture.width() * (n + 1) * dpr <= roomWide)
        ++n;
    return n;
}

int fitScale(QSize picture, QSize area) {
    if (picture.width() <= 0 || picture.height() <= 0) return kMinScale;
    const int n = std::min(area.width() / picture.width(), area.height() / picture.height());
    return clampScale(n);
}

QRect centredPictureRect(QSize area, QSize picture, int scale) {
    const QSize shown = picture * scale;
    return QRect(QPoint((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2), shown);
}

QPoint placeFromOrigin(QPoint origin, QPoint design, int scale) {
    // Far-off places saturate instead of overflowing.
    auto axis = [scale](int o, int d) {
        return int(std::clamp<long long>(o + 1LL * d * scale, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    };
    return QPoint(axis(origin.x(), design.x()), axis(origin.y(), design.y()));
}

QPoint keepInside(QRect window, QRect available) {
    QPoint p = window.topLeft();
    if (p.x() + window.width() > available.x() + available.width())
        p.rx() = available.x() + available.width() - window.width();
    if (p.y() + window.height() > available.y() + available.height())
        p.ry() = available.y() + available.height() - window.height();
    if (p.x() < available.x()) p.rx() = available.x();
    if (p.y() < available.y()) p.ry() = available.y();
    return p;
}

namespace {
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
}  // namespace

std::optional<QPoint> toPicturePixel(QPoint viewPoint, QRect pictureRect, int scale) {
    if (!pictureRect.contains(viewPoint) || scale < 1) return std::nullopt;
    const QPoint d = viewPoint - pictureRect.topLeft();
    return QPoint(floorDiv(d.x(), scale), floorDiv(d.y(), scale));
}

QPoint toViewPoint(QPoint picturePixel, QRect pictureRect, int scale) {
    return pictureRect.topLeft() + picturePixel * scale + QPoint(scale / 2, scale / 2);
}

QFont scaledFont(const QFont& designFont, int scale) {
    QFont f = designFont;
    if (designFont.pixelSize() > 0) f.setPixelSize(designFont.pixelSize() * scale);
    else if (designFont.pointSizeF() > 0) f.setPointSizeF(designFont.pointSizeF() * scale);
    return f;
}

namespace {
const char* const kDesignRect = "qelDesignRect";
const char* const kDesignFont = "qelDesignFont";
const char* const kDesignSize = "qelDesignSize";
}  // namespace

void scaleFixedWindow(QWidget& window, int scale) {
    scale = clampScale(scale);
    if (!window.property(kDesignSize).isValid()) {
        if (scale == 1) return;  // nothing to change yet; the design is still what is shown
        window.setProperty(kDesignSize, window.size());
        window.setProperty(kDesignFont, window.font());
        for (QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isWindow()) continue;
            child->setProperty(kDesignRect, child->geometry());
            child->setProperty(kDesignFont, child->font());
        }
    }
    window.setFont(scaledFont(window.property(kDesignFont).value<QFont>(), scale));
    for (QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QVariant r = child->property(kDesignRect);
        if (!r.isValid()) continue;
        const QRect d = r.toRect();
        child->setGeometry(QRect(d.topLeft() * scale, d.size() * scale));
        child->setFont(scaledFont(child->property(kDesignFont).value<QFont>(), scale));
    }
    window.setFixedSize(window.property(kDesignSize).toSize() * scale);
}

}  // namespace qel
