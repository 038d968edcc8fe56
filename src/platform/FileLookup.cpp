#include "platform/FileLookup.h"

#include "platform/Cp932.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <unordered_map>
#include <vector>

// File names in a scenario were written for a file system that ignores letter
// case and stores names in CP932. Here names on disk are plain bytes: a file
// copied over may keep its CP932 name bytes or have been renamed to UTF-8, and
// its letters may differ in case from the name the player forms. The lookup
// walks the name folder by folder, preferring the exact spelling at every step.

namespace qel {

namespace {

// Splits a player-formed name into its folder components. Both "\" and "/"
// separate, except a "\" that is the trail byte of a double-byte character.
// Empty components (doubled or trailing separators) are dropped; a trailing
// separator is reported so that such a name never matches a file.
struct SplitName {
    bool absolute = false;
    bool trailingSeparator = false;
    std::vector<std::string> parts;
};

SplitName splitName(const std::string& name) {
    SplitName out;
    std::string cur;
    bool lastWasSep = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (isLeadByte(c) && i + 1 < name.size()) {
            cur += name[i];
            cur += name[i + 1];
            ++i;
            lastWasSep = false;
        } else if (c == '\\' || c == '/') {
            if (i == 0) out.absolute = true;
            if (!cur.empty()) out.parts.push_back(std::move(cur));
            cur.clear();
            lastWasSep = true;
        } else {
            cur += char(c);
            lastWasSep = false;
        }
    }
    if (!cur.empty()) out.parts.push_back(std::move(cur));
    out.trailingSeparator = lastWasSep;
    return out;
}

// Compares an on-disk entry name with a CP932 component, ignoring the case of
// ASCII letters only. Both bytes of a double-byte character must match exactly,
// so a trail byte that happens to be a letter is never folded.
bool equalsCp932IgnoringAsciiCase(const std::string& entry, const std::string& comp) {
    if (entry.size() != comp.size()) return false;
    for (std::size_t i = 0; i < comp.size(); ++i) {
        auto a = static_cast<unsigned char>(comp[i]);
        auto b = static_cast<unsigned char>(entry[i]);
        if (isLeadByte(a) && i + 1 < comp.size()) {
            if (a != b || comp[i + 1] != entry[i + 1]) return false;
            ++i;
            continue;
        }
        if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
        if (a != b) return false;
    }
    return true;
}

// The same for a UTF-8 name: ASCII bytes never occur inside a multi-byte
// UTF-8 sequence, so folding single ASCII letters is safe.
bool equalsUtf8IgnoringAsciiCase(const std::string& entry, const std::string& comp) {
    if (entry.size() != comp.size()) return false;
    for (std::size_t i = 0; i < comp.size(); ++i) {
        auto a = static_cast<unsigned char>(comp[i]);
        auto b = static_cast<unsigned char>(entry[i]);
        if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
        if (a != b) return false;
    }
    return true;
}

std::string join(const std::string& base, const std::string& part) {
    if (base.empty()) return part;
    if (base.back() == '/') return base + part;
    return base + '/' + part;
}

enum class Kind { Missing, File, Folder, Other };

Kind kindOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) return Kind::Missing;
    if (S_ISREG(st.st_mode)) return Kind::File;
    if (S_ISDIR(st.st_mode)) return Kind::Folder;
    return Kind::Other;
}

// The spellings under which a component may be stored on disk, exact first:
// the name decoded to UTF-8, then the raw CP932 bytes.
std::vector<std::string> exactSpellings(const std::string& comp) {
    std::vector<std::string> out;
    if (comp == "." || comp == "..") return {comp};
    // Printable ASCII is spelled the same in both (most names are).
    if (std::all_of(comp.begin(), comp.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) return {comp};
    QByteArray utf8 = decode(comp).toUtf8();
    out.emplace_back(utf8.constData(), std::size_t(utf8.size()));
    if (out.front() != comp) out.push_back(comp);
    return out;
}

// Every ASCII letter of a name in upper case: two names equal ignoring ASCII
// letter case under either rule below have the same key.
std::string foldKey(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return key;
}

// A folder's entries grouped by their folded key, read once and read again
// when the folder has changed since (its modification or change time moved,
// or it is another folder now). A folder changed within the clock's tick of
// the reading may have changed again unseen, so such an index is read again
// at the next lookup until the folder has been quiet for a while.
struct FolderIndex {
    timespec modified{};
    timespec changed{};
    bool racy = false;
    std::unordered_map<std::string, std::vector<std::string>> byKey;
};

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Most folders a scenario reads from are few; beyond this many the indexes
// are dropped and built again as needed.
constexpr std::size_t kIndexedFolders = 64;
// Longer than the coarse clock's tick that file times are taken from.
constexpr long kRacyNs = 50'000'000;

const FolderIndex* indexOf(const std::string& folder, const struct stat& st) {
    static std::map<std::pair<dev_t, ino_t>, FolderIndex> indexes;
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    auto it = indexes.find(id);
    if (it != indexes.end() && !it->second.racy && sameTime(it->second.modified, st.st_mtim) &&
        sameTime(it->second.changed, st.st_ctim))
        return &it->second;
    if (it == indexes.end() && indexes.size() >= kIndexedFolders) indexes.clear();
    FolderIndex index;
    index.modified = st.st_mtim;
    index.changed = st.st_ctim;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const auto ns = [](const timespec& t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    index.racy = ns(now) - ns(st.st_mtim) < kRacyNs;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return nullptr;
    while (dirent* e = ::readdir(dir)) {
        std::string name(e->d_name);
        if (name == "." || name == "..") continue;
        index.byKey[foldKey(name)].push_back(std::move(name));
    }
    ::closedir(dir);
    return &(indexes[id] = std::move(index));
}

// Entries of a folder equal to the component ignoring ASCII letter case,
// sorted by their bytes so that the choice among several is stable.
std::vector<std::string> caseVariants(const std::string& folder, const struct stat& st, const std::string& comp,
                                      const std::vector<std::string>& exact) {
    std::vector<std::string> found;
    const FolderIndex* index = indexOf(folder, st);
    if (!index) return found;
    const std::string& utf8 = exact.front();
    for (const std::string& key : {foldKey(comp), foldKey(utf8)}) {
        auto it = index->byKey.find(key);
        if (it == index->byKey.end()) continue;
        for (const std::string& name : it->second) {
            if (std::find(exact.begin(), exact.end(), name) != exact.end()) continue;
            if (std::find(found.begin(), found.end(), name) != found.end()) continue;
            if (equalsCp932IgnoringAsciiCase(name, comp) || equalsUtf8IgnoringAsciiCase(name, utf8))
                found.push_back(name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Folders already searched in vain for the parts from a given index on, by
// their device and inode. A folder reached again under another spelling (a
// link to ".", say, stored as both "a" and "A") fails the same way, so each
// folder is searched once per part: the walk stays linear in the number of
// parts instead of trying every combination of spellings.
using FolderAtPart = std::tuple<dev_t, ino_t, std::size_t>;

// Depth-first walk: at every level the exact spellings come before the case
// variants, so a name that exists exactly is always the one chosen.
std::optional<std::string> walk(const std::string& base, const std::vector<std::string>& parts, std::size_t index,
                                std::set<FolderAtPart>& failed) {
    struct stat folder {};
    const bool known = ::stat(base.empty() ? "." : base.c_str(), &folder) == 0;
    const FolderAtPart key{folder.st_dev, folder.st_ino, index};
    if (known && failed.count(key)) return std::nullopt;
    const bool last = index + 1 == parts.size();
    const std::string& comp = parts[index];
    std::vector<std::string> candidates = exactSpellings(comp);
    const std::size_t exactCount = candidates.size();
    bool listed = false;
    for (std::size_t i = 0;; ++i) {
        if (i == candidates.size()) {
            if (listed || comp == "." || comp == "..") break;
            listed = true;
            std::vector<std::string> exact(candidates.begin(), candidates.begin() + long(exactCount));
            if (!known) break;
            for (auto& v : caseVariants(base, folder, comp, exact)) candidates.push_back(std::move(v));
            if (i == candidates.size()) break;
        }
        std::string path = join(base, candidates[i]);
        Kind k = kindOf(path);
        if (last) {
            if (k == Kind::File) return path;
        } else if (k == Kind::Folder) {
            if (auto r = walk(path, parts, index + 1, failed)) return r;
        }
    }
    if (known) failed.insert(key);
    return std::nullopt;
}

bool isValidUtf8(const std::string& s) {
    QByteArray b = QByteArray::fromRawData(s.data(), qsizetype(s.size()));
    return QFile::encodeName(QFile::decodeName(b)) == b;
}

// Qt cannot open a file whose name is not valid UTF-8 (such as a name kept in
// CP932 bytes). Such a file is reached through a symbolic link with a plain
// name in a private folder that lives as long as the program.
std::optional<QString> aliasFor(const std::string& bytePath) {
    static std::unique_ptr<QTemporaryDir> folder;
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/qelplayer-names-XXXXXX"));
        if (!folder->isValid()) {
            folder.reset();
            return std::nullopt;
        }
    }
    std::string target = bytePath;
    if (target.empty() || target.front() != '/') {
        char buf[4096];
        if (!::getcwd(buf, sizeof buf)) return std::nullopt;
        target = join(buf, target);
    }
    QByteArray key =
        QCryptographicHash::hash(QByteArray(target.data(), qsizetype(target.size())), QCryptographicHash::Sha1).toHex();
    // Keep the extension so that anything looking at it sees the real one.
    std::string ext;
    auto dot = target.find_last_of("./");
    if (dot != std::string::npos && target[dot] == '.') {
        std::string e = target.substr(dot);
        if (isValidUtf8(e) && e.size() <= 16) ext = e;
    }
    std::string link = QFile::encodeName(folder->path()).toStdString() + '/' + key.toStdString() + ext;
    char existing[4096];
    ssize_t n = ::readlink(link.c_str(), existing, sizeof existing);
    if (n < 0 || std::string(existing, std::size_t(n)) != target) {
        ::unlink(link.c_str());
        if (::symlink(target.c_str(), link.c_str()) != 0) return std::nullopt;
    }
    return QFile::decodeName(QByteArray(link.data(), qsizetype(link.size())));
}

}  // namespace

std::optional<QString> findFile(const std::string& cp932Name) {
    // A NUL byte would silently cut the name short at the system call.
    if (cp932Name.empty() || cp932Name.find('\0') != std::string::npos) return std::nullopt;
    SplitName split = splitName(cp932Name);
    if (split.parts.empty() || split.trailingSeparator) return std::nullopt;
    // No file system stores a name part of more than 255 bytes, and a part's
    // UTF-8 spelling is never shorter than its CP932 one: such a name (a
    // runaway line of a save file, say) is missing without decoding it.
    for (const std::string& part : split.parts)
        if (part.size() > 255) return std::nullopt;
    std::set<FolderAtPart> failed;
    auto found = walk(split.absolute ? std::string("/") : std::string(), split.parts, 0, failed);
    if (!found) return std::nullopt;
    if (isValidUtf8(*found)) return QFile::decodeName(QByteArray(found->data(), qsizetype(found->size())));
    return aliasFor(*found);
}

}  // namespace qel
