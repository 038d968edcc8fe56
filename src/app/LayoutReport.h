#pragma once
// --layout: how the game looks to the player at each moment a replay acts,
// for checking where the windows are on a real desktop. Each moment gives a
// line of DIR/layout.txt and a picture of the main window as it is drawn,
// DIR/NNNN.png, NNNN being the transcript line of the action. Nothing of it
// reaches the transcript or the shots.
#include <QString>

#include <memory>

class QFile;

namespace qel {

struct Windows;

class LayoutReport {
public:
    // An empty folder reports nothing; throws std::runtime_error when the
    // folder or its file cannot be made.
    explicit LayoutReport(const QString& folder);
    ~LayoutReport();
    bool taking() const { return file_ != nullptr; }
    void take(int lineNo, const Windows& w);

private:
    QString folder_;
    std::unique_ptr<QFile> file_;
};

// The line for one moment (without its number):
//   one|separate SCALE windowed|fullscreen window WxH picture X,Y WxH [NAME X,Y WxH]...
// window: the main window's size; picture: the picture inside it; then each
// shown window of the game (message, verbs, input) as its outer frame from
// the picture's corner, all in screen pixels.
QString layoutLine(const Windows& w);

}  // namespace qel
