#include "shell/PictureView.h"

#include "platform/Settings.h"
#include "platform/Skipping.h"
#include "platform/ViewScale.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <cstring>

namespace qel {

PictureView::PictureView(const QImage* image, QWidget* parent) : QWidget(parent), image_(image) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Moves without a button take the keyboard's highlight away.
    setMouseTracking(true);
    // The reading mode's badge comes and goes with the mode.
    connect(&Skipping::instance(), &Skipping::changed, this, [this] { update(); });
    connect(&Settings::instance(), &Settings::changed, this, [this](const QString& name) {
        if (name == QLatin1String("auto")) update();
    });
}

QString PictureView::modeBadge() const {
    if (skipping()) return QStringLiteral("SKIP");
    if (autoForward()) return QStringLiteral("AUTO");
    return {};
}

void PictureView::drawModeBadge(QPainter& p) {
    const QString badge = modeBadge();
    if (badge.isEmpty()) return;
    // White on translucent black in the picture's top-right corner, its size
    // following the scale like everything else drawn.
    const int n = scale();
    QFont f = font();
    f.setPixelSize(10 * n);
    f.setBold(true);
    p.setFont(f);
    const QRect text = p.fontMetrics().boundingRect(badge);
    const QRect area = pictureRect();
    const QRect box(area.right() + 1 - text.width() - 10 * n, area.top() + 4 * n, text.width() + 6 * n,
                    text.height() + 2 * n);
    p.fillRect(box, QColor(0, 0, 0, 160));
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, badge);
}

void PictureView::setDesign(QSize design, int scale) {
    design_ = design;
    windowedScale_ = clampScale(scale);
    if (!filling_) setFixedSize(design_ * windowedScale_);
    update();
    emit areaChanged();
}

void PictureView::setFilling(bool filling) {
    if (filling == filling_) return;
    filling_ = filling;
    if (filling_) {
        setMinimumSize(1, 1);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    } else {
        setFixedSize(design_ * windowedScale_);
    }
    update();
    emit areaChanged();
}

int PictureView::scale() const { return filling_ ? fitScale(design_, size()) : windowedScale_; }

QRect PictureView::pictureRect() const {
    const int n = scale();
    return filling_ ? centredPictureRect(size(), design_, n) : QRect(QPoint(0, 0), design_ * n);
}

std::optional<QPoint> PictureView::picturePixelAt(QPoint at) const {
    const QRect area = pictureRect();
    if (filling_ && !area.contains(at)) return std::nullopt;
    // Windowed, the view is the picture area: every point of it maps.
    const int n = scale();
    const QPoint d = at - area.topLeft();
    auto floorDiv = [n](int v) { return v >= 0 ? v / n : -((-v + n - 1) / n); };
    return QPoint(floorDiv(d.x()), floorDiv(d.y()));
}

QPoint PictureView::viewPoint(QPoint picturePixel) const { return toViewPoint(picturePixel, pictureRect(), scale()); }

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    drawPicture(p, event->rect());
    drawModeBadge(p);
    const QRect outline = outline_ ? outline_() : QRect();
    if (outline.isEmpty()) return;
    // Black, yellow, black: a frame three picture pixels wide inside the
    // object's edge that shows on light and dark pictures alike.
    const QRect area = pictureRect();
    const int n = scale();
    const QRect onView(area.topLeft() + outline.topLeft() * n, outline.size() * n);
    p.setBrush(Qt::NoBrush);
    const QColor colours[] = {Qt::black, QColor(255, 214, 0), Qt::black};
    for (int i = 0; i < 3 * n; ++i) {
        const QRect r = onView.adjusted(i, i, -i, -i);
        if (r.width() < 1 || r.height() < 1) break;
        p.setPen(QPen(colours[i / n], 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void PictureView::drawPicture(QPainter& p, const QRect& dirty) {
    const QRect area = pictureRect();
    const int n = scale();
    QRect shown;  // the part of the view the image covers
    if (image_ && !image_->isNull()) shown = QRect(area.topLeft(), image_->size() * n) & area;
    if (filling_) {
        for (const QRect& r : QRegion(dirty) - QRegion(area)) p.fillRect(r, Qt::black);
    }
    for (const QRect& r : (QRegion(dirty) & QRegion(area)) - QRegion(shown)) p.fillRect(r, palette().window());
    if (shown.isEmpty()) return;
    if (n == 1) {
        p.drawImage(area.topLeft(), *image_);
        return;
    }
    // Only the exposed picture pixels, each drawn as an n x n block.
    const QRect exposed = dirty & shown;
    if (exposed.isEmpty()) return;
    const QPoint from = exposed.topLeft() - area.topLeft();
    const QPoint to = exposed.bottomRight() - area.topLeft();
    const QRect source(QPoint(from.x() / n, from.y() / n), QPoint(to.x() / n, to.y() / n));
    if (blitScaled(p, exposed, area.topLeft(), n)) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(area.topLeft() + source.topLeft() * n, source.size() * n), *image_, source);
}

namespace {
// Writes each source pixel n times while whole blocks fit before end; returns
// where it stopped (s is left at the next source pixel).
template <int N>
QRgb* widenFixed(const QRgb*& s, QRgb* o, QRgb* end) {
    for (; o + N <= end; ++s, o += N) {
        const QRgb c = *s;
        for (int j = 0; j < N; ++j) o[j] = c;
    }
    return o;
}

QRgb* widenBlocks(const QRgb*& s, QRgb* o, QRgb* end, int n) {
    switch (n) {
    case 2: return widenFixed<2>(s, o, end);
    case 3: return widenFixed<3>(s, o, end);
    case 4: return widenFixed<4>(s, o, end);
    case 5: return widenFixed<5>(s, o, end);
    case 6: return widenFixed<6>(s, o, end);
    default:
        for (; o + n <= end; ++s, o += n) {
            const QRgb c = *s;
            for (int j = 0; j < n; ++j) o[j] = c;
        }
        return o;
    }
}
}  // namespace

bool PictureView::blitScaled(QPainter& p, const QRect& exposed, QPoint pictureTopLeft, int n) {
    // The general scaled drawing costs several times a plain copy; when the
    // painter draws straight into a 32-bit image at one device pixel a pixel
    // (the usual backing store), each picture row is widened once and copied
    // to the n screen rows it covers.
    QPaintDevice* device = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return false;
    auto* target = static_cast<QImage*>(device);
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxTranslate || target->devicePixelRatio() != 1.0) return false;
    const auto opaque32 = [](QImage::Format f) {
        return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
    };
    if (!opaque32(target->format()) || image_->format() != QImage::Format_RGB32) return false;
    const QPoint offset(qRound(t.dx()), qRound(t.dy()));
    const QRect rows = exposed.translated(offset) & target->rect();
    if (rows.isEmpty()) return true;
    const QPoint origin = pictureTopLeft + offset;  // the picture's corner in the target
    const int width = rows.width();
    const QRgb* widened = nullptr;
    int widenedRow = -1;
    for (int y = rows.top(); y <= rows.bottom(); ++y) {
        // The painter already writes into this memory; scanLine() could
        // detach the image from it instead.
        QRgb* out = reinterpret_cast<QRgb*>(const_cast<uchar*>(target->constScanLine(y))) + rows.left();
        const int sy = (y - origin.y()) / n;
        if (sy == widenedRow) {
            std::memcpy(out, widened, std::size_t(width) * sizeof(QRgb));
            continue;
        }
        const QRgb* src = reinterpret_cast<const QRgb*>(image_->constScanLine(sy));
        const int vx = rows.left() - origin.x();
        const QRgb* s = src + vx / n;
        QRgb* o = out;
        QRgb* const end = out + width;
        // A part of a block at the left edge, whole blocks, a part at the right.
        for (int k = vx % n; k != 0 && k < n && o < end; ++k) *o++ = *s;
        if (vx % n != 0) ++s;
        o = widenBlocks(s, o, end, n);
        while (o < end) *o++ = *s;
        widened = out;
        widenedRow = sy;
    }
    return true;
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    // Only a real change of place counts: the window system may report the
    // pointer again where it rests.
    if (lastPointer_ != pos) {
        lastPointer_ = pos;
        emit pointerMoved();
    }
    QWidget::mouseMoveEvent(event);
}

void PictureView::enterEvent(QEnterEvent* event) {
    lastPointer_ = event->position().toPoint();
    QWidget::enterEvent(event);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    lastPointer_ = pos;
    emit pointerMoved();
    if (event->button() == Qt::LeftButton) leftPressed_ = true;
    if (auto at = picturePixelAt(pos)) emit mouseDown(event->button(), at->x(), at->y());
    if (event->button() == Qt::RightButton) emit rightClicked(event->globalPosition().toPoint());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftPressed_) return;
    leftPressed_ = false;
    if (rect().contains(event->position().toPoint())) emit clicked();
}

void PictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit areaChanged();
}

}  // namespace qel
