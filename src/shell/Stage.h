#pragma once
// The stage: the whole game in one window. The picture view and, as panels
// at the places the scenario gives them, the message window, the verb
// window, the text input dialog, the message boxes and the history, each a
// child widget under a caption bar of its own (the frameless ones without).
// A dialog panel is modal: while it is up, input meant for anything else
// goes to it. Where a panel lies is counted from the picture's corner; the
// message window's place widens the stage, the other panels are kept inside.
#include "platform/WindowFamily.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace qel {

class PanelFrame;
class PictureView;

class Stage : public QWidget, public PanelHost {
    Q_OBJECT
public:
    // origin: the screen position of the picture's corner, as the windows
    // placed from it compute it.
    Stage(PictureView& view, std::function<QPoint()> origin, QWidget* parent = nullptr);
    ~Stage() override;

    // The window whose place widens the stage.
    void setMessages(QWidget* messages) { messages_ = messages; }
    // Full screen: the stage takes its window's size and centres its content.
    void setFilling(bool filling);
    // The content's rectangle at a scale, from the picture's corner: the
    // picture and the message window at its place.
    QRect contentAt(int scale) const;
    // Lays the picture and the panels out again.
    void relayout();
    // Takes the windows in now (those already shown move in with their
    // places), or lets every panel go back to being a window.
    void adoptAll(const std::vector<QWidget*>& windows);
    void releaseAll();
    // The modal panel that takes the input now, if any.
    QWidget* modalPanel() const;
    // The frame (caption bar and window) a window is shown in as a panel, or
    // null when it is not one of the panels.
    QWidget* frameOf(const QWidget& window) const;

    void adopt(QWidget& window) override;
    bool place(QWidget& window, QPoint screenPos) override;
    bool centre(QWidget& window) override;
    bool setFlags(QWidget& window, Qt::WindowFlags flags) override;

signals:
    // The content's size changed (the window must follow it).
    void contentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Panel {
        QPointer<QWidget> widget;
        PanelFrame* frame = nullptr;
        QPointer<QWidget> parent;  // as a window
        Qt::WindowFlags flags;
        QPoint place;  // the frame's corner from the picture's, in screen pixels
        bool placed = false;
    };
    Panel* find(const QWidget& w);
    void putFrame(Panel& p);
    void release(Panel& p);
    QRect contentNow() const;

    PictureView& view_;
    std::function<QPoint()> origin_;
    QPointer<QWidget> messages_;
    std::vector<Panel> panels_;
    QPoint pictureAt_;  // the picture's corner on the stage
    bool filling_ = false;
    bool laying_ = false;
    const QEvent* delivered_ = nullptr;  // the last input event given to the modal panel
};

}  // namespace qel
