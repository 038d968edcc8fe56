#pragma once
// Inside the archive library: writing an archive's entries into a folder,
// and the refusals its parts share.
#include "platform/ArchiveUnpack.h"

#include <QByteArray>
#include <QString>

namespace qel {

// Raises the GameError of an archive that cannot be played, with the text.
[[noreturn]] void refuseArchive(const QString& text);
// A path as the refusals show it.
QString shownPath(const QString& path);

// Writes the archive's files and folders under root (an empty folder),
// checking names, kinds and sizes first and the bytes as they are written;
// refuses (GameError) anything hostile or beyond the limits, leaving root
// partly filled for the caller to remove.
void extractArchive(const QString& archivePath, const QByteArray& root, const ArchiveLimits& limits);

}  // namespace qel
