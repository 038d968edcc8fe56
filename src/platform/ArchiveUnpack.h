#pragma once
// Scenarios published as archives (LZH, ZIP, 7z): unpacked once into the
// user's cache and played from there.
#include <QString>
#include <cstdint>

namespace qel {

// What an archive may unpack to at most.
struct ArchiveLimits {
    std::uint64_t maxBytes = std::uint64_t(2) << 30;  // 2 GiB of file data
    std::uint64_t maxEntries = 100000;
};

// An archive unpacked into the cache.
struct UnpackedArchive {
    QString folder;            // the unpacked tree
    QString scenarioFolder;    // its shallowest folder holding "Opning.dat"; empty when there is none
    QString contentHash;       // hex SHA-256 of the archive's bytes
    bool unpackedNow = false;  // false when an earlier unpack was found and reused
};

// True for the names of the archive kinds the player opens: .lzh, .lha,
// .zip and .7z, in any letter case.
bool IsArchiveName(const QString& path);

// The folder under which archives are unpacked: qelplayer/archives in the
// user's cache folder (XDG_CACHE_HOME, else ~/.cache).
QString ArchiveCacheRoot();

// Unpacks the archive into cacheRoot/<content hash>, or finds the folder an
// earlier call made. Entry names that are not valid UTF-8 are taken as CP932;
// "\" separates folders like "/". The unpack goes to a temporary folder that is
// renamed into place only when complete, so a folder under its hash is always
// whole. Refuses (GameError naming the archive and the entry) absolute names,
// ".." parts that leave the archive's folder, links and special files, and
// archives beyond the limits (declared sizes are checked before anything is
// written, the bytes actually written as they are written). Unreadable or
// damaged archives raise GameError too.
UnpackedArchive UnpackArchive(const QString& archivePath, const QString& cacheRoot, const ArchiveLimits& limits = {});

// True when the folder holds a file "Opning.dat" (ASCII letter case ignored).
bool HasOpeningScene(const QString& folder);

// The shallowest folder under root holding a file "Opning.dat" (ASCII letter
// case ignored); among folders of one depth the first by name. Empty when none.
QString FindScenarioFolder(const QString& root);

}  // namespace qel
