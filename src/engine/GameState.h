#pragma once
// The whole state of a running game: one instance, owned by the main window.
#include "platform/Errors.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qel {

// The sizes of the game's tables; scenarios and save files are written for them.
constexpr int kIntVarCount = 50;        // integer variables 1..50
constexpr int kStrVarCount = 9;         // string variables 1..9
constexpr int kObjectCount = 50;        // clickable objects 1..50
constexpr std::size_t kWordBytes = 30;  // an object's name or verb, in bytes

// A fixed table indexed from First to Last; any other index raises the range error.
template <typename T, int First, int Last>
class RangeArray {
public:
    T& operator[](std::int64_t i) { return items_[slot(i)]; }
    const T& operator[](std::int64_t i) const { return items_[slot(i)]; }
    static constexpr int first() { return First; }
    static constexpr int last() { return Last; }
    void fill(const T& v) { items_.fill(v); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    static std::size_t slot(std::int64_t i) {
        if (i < First || i > Last) throw rangeError();
        return std::size_t(i - First);
    }
    std::array<T, Last - First + 1> items_{};
};

// An object word: a text of at most kWordBytes bytes; longer texts are cut on assignment.
class ShortString {
public:
    static constexpr std::size_t kMaxBytes = kWordBytes;
    ShortString() = default;
    ShortString(const std::string& s) : s_(s.substr(0, kMaxBytes)) {}  // NOLINT(implicit)
    ShortString& operator=(const std::string& s) {
        s_ = s.substr(0, kMaxBytes);
        return *this;
    }
    const std::string& str() const { return s_; }
    operator const std::string&() const { return s_; }  // NOLINT(implicit)
    bool empty() const { return s_.empty(); }
    bool operator==(const ShortString& o) const = default;

private:
    std::string s_;
};

// The lines of the current scene's script. Reading a line outside the store
// raises the list error with the index. Label lines are indexed by their
// case-folded text so that a jump does not scan the whole store; the index is
// rebuilt on the first search after any change.
//
// The store also knows the scene file its lines came from and how many header
// lines the loader has removed, so that a line can be named as the file's own
// line number in errors and traces.
class ScriptStore {
public:
    int count() const { return int(lines_.size() - first_); }
    bool empty() const { return count() == 0; }
    const std::string& operator[](std::int64_t i) const {
        if (i < 0 || i >= count()) throw listIndexError(i);
        return lines_[first_ + std::size_t(i)];
    }
    void clear() {
        lines_.clear();
        first_ = 0;
        source_.clear();
        removed_ = 0;
        invalidate();
    }
    // source: the scene file's name as the player looked it up (CP932), or "".
    void assign(std::vector<std::string> lines, std::string source = {}) {
        lines_ = std::move(lines);
        first_ = 0;
        source_ = std::move(source);
        removed_ = 0;
        invalidate();
    }
    void append(std::string line) {
        compact();
        lines_.push_back(std::move(line));
        invalidate();
    }
    // Deletes line 0 (the header lines as the loader consumes them).
    void removeFirst() {
        if (empty()) throw listIndexError(0);
        lines_[first_].clear();
        ++first_;
        ++removed_;
        invalidate();
    }
    const std::string& source() const { return source_; }
    // Line i of the store as "FILE:LINE" (CP932), LINE counting from 1 in the
    // scene file, header lines included.
    std::string place(std::int64_t i) const;
    // The number of line i in the scene file, counting from 1 with the header.
    std::int64_t fileLine(std::int64_t i) const { return removed_ + i + 1; }
    // The index of the first line whose case-folded text equals foldedText, or -1.
    int findFolded(const std::string& foldedText) const;
    std::vector<std::string> toVector() const { return {lines_.begin() + std::ptrdiff_t(first_), lines_.end()}; }

private:
    void invalidate() { indexValid_ = false; }
    void compact() {
        if (first_ > 0) {
            lines_.erase(lines_.begin(), lines_.begin() + std::ptrdiff_t(first_));
            first_ = 0;
        }
    }
    std::vector<std::string> lines_;
    std::size_t first_ = 0;
    std::string source_;
    std::int64_t removed_ = 0;  // header lines removed since the file was read
    mutable bool indexValid_ = false;
    mutable std::unordered_map<std::string, int> labelIndex_;
};

struct ObjectRect {
    std::int32_t Left = 0;
    std::int32_t Right = 0;
    std::int32_t Top = 0;
    std::int32_t Bottom = 0;
    std::int32_t& value(int j);  // 1 = Left, 2 = Right, 3 = Top, 4 = Bottom
    bool operator==(const ObjectRect&) const = default;
};

using ObjectWordList = RangeArray<ShortString, 1, 6>;  // 1 = name, 2..6 = verbs 1..5

struct GameState {
    std::string SceneName;
    ScriptStore ScriptLines;
    RangeArray<std::int32_t, 1, kIntVarCount> IntVars;
    RangeArray<std::string, 1, kStrVarCount> StrVars;
    std::int32_t TargetLine = 0;
    RangeArray<ObjectWordList, 1, kObjectCount> ObjectWords;
    RangeArray<ObjectRect, 1, kObjectCount> ObjectRects;
    std::int32_t PendingStart = 0;

    // Marks every object unused and empties it, as a scene change does.
    void resetObjects();
};

}  // namespace qel
