// Bitmap decoder: any bytes either decode into a picture of a sane size or
// raise the bitmap error.
#include "platform/Errors.h"
#include "scene/Bitmap.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QImage image;
    try {
        image = qel::decodeBitmap(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const qel::GameError&) {
        return 0;
    }
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) std::abort();
    return 0;
}
