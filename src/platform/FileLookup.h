#pragma once
// Finding a file that the player names inside the scenario folder.
#include <QString>
#include <optional>
#include <string>

namespace qel {

// Looks up a file name formed by the player (CP932 bytes, relative to the
// current folder or absolute; "\" separates folders except as the trail byte
// of a double-byte character). The exact name wins; otherwise each folder is
// searched for an entry equal to the name ignoring ASCII letter case, whether
// the entry is stored as CP932 or as UTF-8 bytes. Returns the path to open.
std::optional<QString> findFile(const std::string& cp932Name);
inline bool fileExists(const std::string& cp932Name) { return findFile(cp932Name).has_value(); }

}  // namespace qel
