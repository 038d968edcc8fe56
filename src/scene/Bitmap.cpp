#include "scene/Bitmap.h"

#include "engine/Errors.h"
#include "scene/FileLookup.h"

#include <QFile>

namespace qel {
QImage decodeBitmap(const QByteArray& bytes) {
    QImage img = QImage::fromData(bytes, "BMP");
    if (img.isNull()) throw badBitmapError();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage loadBitmapFile(const std::string& name) {
    auto path = findFile(name);
    if (!path) throw cannotOpenError(name);
    QFile f(*path);
    if (!f.open(QIODevice::ReadOnly)) throw cannotOpenError(name);
    return decodeBitmap(f.readAll());
}
} // namespace qel
