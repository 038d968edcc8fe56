#pragma once
#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace qel {

// The shown picture: paints the game's ImageFront at the top-left corner of
// the picture area, each pixel as a scale x scale block, and reports presses
// (in picture pixels), releases and clicks on it. Windowed, the view is
// exactly the picture area; filling (full screen), it takes whatever size
// its window gives it and centres the picture on black at the largest whole
// scale that fits. The keyboard's object highlight is drawn over it as an
// outline, on the screen only: the picture's own pixels never change; so is
// the badge that says skipping or auto-forward is on.
class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(const QImage* image, QWidget* parent = nullptr);
    void setImage(const QImage* image) {
        image_ = image;
        update();
    }
    // The rectangle to outline, in picture pixels (an empty one: none);
    // asked at every paint so that it follows the objects as they change.
    void setOutline(std::function<QRect()> outline) { outline_ = std::move(outline); }

    // The picture area in picture pixels (the client area the scene asks for).
    QSize designSize() const { return design_; }
    // Windowed: the view takes the design size times the scale.
    void setDesign(QSize design, int scale);
    // Full screen on or off.
    void setFilling(bool filling);
    bool filling() const { return filling_; }
    // The scale the picture is drawn at now.
    int scale() const;
    // Where the picture area is drawn in the view.
    QRect pictureRect() const;
    // The badge drawn while skipping ("SKIP") or auto-forward ("AUTO") is
    // on; empty otherwise.
    QString modeBadge() const;
    // The picture pixel under a point of the view; nullopt on the black
    // border around a full-screen picture.
    std::optional<QPoint> picturePixelAt(QPoint viewPoint) const;
    // The view point at the centre of a picture pixel.
    QPoint viewPoint(QPoint picturePixel) const;

signals:
    void mouseDown(Qt::MouseButton button, int x, int y);
    void clicked();
    void rightClicked(QPoint globalPos);
    void areaChanged();
    // The mouse moved over the picture, or a button was pressed on it.
    void pointerMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void drawPicture(QPainter& p, const QRect& dirty);
    void drawModeBadge(QPainter& p);
    bool blitScaled(QPainter& p, const QRect& exposed, QPoint pictureTopLeft, int n);

    const QImage* image_;
    QSize design_{486, 295};
    int windowedScale_ = 1;
    bool filling_ = false;
    bool leftPressed_ = false;
    std::function<QRect()> outline_;
    std::optional<QPoint> lastPointer_;
};

}  // namespace qel
