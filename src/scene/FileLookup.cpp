#include "scene/FileLookup.h"

#include "engine/Cp932.h"

#include <QDir>
#include <QFileInfo>

namespace qel {
std::optional<QString> findFile(const std::string& cp932Name) {
    if (cp932Name.empty()) return std::nullopt;
    QString path = decode(cp932Name);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QFileInfo fi(QDir::current(), path);
    if (fi.isFile()) return fi.filePath();
    return std::nullopt;
}
} // namespace qel
