#pragma once
// Windows bitmaps, decoded into 32-bit RGB (QImage::Format_RGB32).
#include <QByteArray>
#include <QImage>
#include <string>

namespace qel {

// Decodes a bitmap file's bytes; any invalid, truncated or hostile input
// raises "ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です".
QImage decodeBitmap(const QByteArray& bytes);
// Loads a bitmap by the player's file lookup: a missing file raises
// "ﾌｧｲﾙ %s は開けません" with the name, an invalid one the bitmap error.
QImage loadBitmapFile(const std::string& cp932Name);

}  // namespace qel
