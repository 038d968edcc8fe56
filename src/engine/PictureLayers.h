#pragma once
// The three pictures of the main window. All are 32-bit RGB images
// (QImage::Format_RGB32): white has every colour bit set, black none.
#include <QImage>

namespace qel {

struct PictureLayers {
    QImage ImageFront;  // the shown picture; drawn on in place
    QImage Haikei;      // the scene's background as loaded; never drawn on
    QImage TempCG;      // scratch picture of GP: the last file loaded into it
};

}  // namespace qel
