#pragma once
// How large the game is drawn. Scenarios, replays and transcripts work in
// picture pixels (the "design" size of every window and position); the screen
// shows everything enlarged by one whole number, the view scale, so that each
// picture pixel becomes an N x N block and every window keeps its designed
// proportions. This file holds the one current scale that all windows follow
// and the plain geometry that turns design coordinates into screen
// coordinates and back.
#include <QFont>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

class QWidget;

namespace qel {

constexpr int kMinScale = 1;
constexpr int kMaxScale = 6;
// Share of the screen's available height that the automatic scale may fill.
constexpr double kAutoScaleShare = 0.85;

// The scale every window of the game is drawn at. The main window sets it
// (from the chosen scale, or the largest that fits while it is full screen);
// the other windows listen to changed() and lay themselves out again.
class ViewScale : public QObject {
    Q_OBJECT
public:
    static ViewScale& instance();
    static int factor() { return instance().factor_; }
    // Clamped to kMinScale..kMaxScale; emits changed() when it differs.
    void setFactor(int factor);

signals:
    void changed(int factor);

private:
    ViewScale() = default;
    int factor_ = 1;
};

// ---- plain geometry (no windows involved) ----

int clampScale(int scale);

// "auto" gives 0; "1" to "6" give that number; anything else nullopt.
std::optional<int> parseScaleOption(const QString& text);

// The automatic scale: the largest N at which the picture, drawn N x N in
// logical pixels, fits within kAutoScaleShare of the available height and
// within the available width. Qt has already divided the screen by its
// device pixel ratio, so that ratio and N never multiply beyond the screen's
// real size: the test is made in device pixels. At least 1, at most kMaxScale.
int autoScale(QSize picture, QSize available, double devicePixelRatio = 1.0);

// The largest N at which the picture fits inside the area whole (full screen);
// at least 1, at most kMaxScale.
int fitScale(QSize picture, QSize area);

// Where a picture drawn at the scale sits when centred in an area of the
// given size (left/top may be negative when it does not fit).
QRect centredPictureRect(QSize area, QSize picture, int scale);

// A design position (picture pixels) relative to an origin on the screen.
QPoint placeFromOrigin(QPoint origin, QPoint design, int scale);

// The top-left corner that keeps a window of the given outer size inside the
// available area: moved up or left when it sticks out at the bottom or right,
// then down or right when it sticks out at the top or left (the top-left
// corner wins when the window is larger than the area).
QPoint keepInside(QRect window, QRect available);

// The picture pixel under a point of the view showing the picture at
// pictureRect with the scale; nullopt outside the picture.
std::optional<QPoint> toPicturePixel(QPoint viewPoint, QRect pictureRect, int scale);

// The point of the view at the centre of a picture pixel; the inverse of
// toPicturePixel for points inside the picture.
QPoint toViewPoint(QPoint picturePixel, QRect pictureRect, int scale);

// ---- applying a scale to widgets ----

// The font enlarged by the scale (pixel or point size, whichever it uses).
QFont scaledFont(const QFont& designFont, int scale);

// Lays a window of fixed design out at the scale: the first call remembers
// the window's fixed size and every child's geometry and font as the design;
// each call sets them to the design times the scale. For windows whose
// controls keep the geometry they were created with.
void scaleFixedWindow(QWidget& window, int scale);

}  // namespace qel
