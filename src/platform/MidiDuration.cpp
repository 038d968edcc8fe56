#include "platform/MidiDuration.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace qel {
namespace {

constexpr std::uint32_t DefaultTempo = 500000;  // microseconds per quarter note (120 bpm)

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t usPerQuarter;
};

// A bounds-checked reader over one stretch of bytes.
class Reader {
public:
    explicit Reader(std::string_view bytes) : b_(bytes) {}
    bool atEnd() const { return pos_ >= b_.size(); }
    std::size_t left() const { return b_.size() - pos_; }
    std::size_t pos() const { return pos_; }

    bool byte(std::uint8_t& out) {
        if (atEnd()) return false;
        out = static_cast<std::uint8_t>(b_[pos_++]);
        return true;
    }
    bool peek(std::uint8_t& out) const {
        if (atEnd()) return false;
        out = static_cast<std::uint8_t>(b_[pos_]);
        return true;
    }
    bool skip(std::size_t n) {
        if (n > left()) return false;
        pos_ += n;
        return true;
    }
    bool be(int width, std::uint32_t& out) {
        if (left() < static_cast<std::size_t>(width)) return false;
        out = 0;
        for (int i = 0; i < width; ++i) out = (out << 8) | static_cast<std::uint8_t>(b_[pos_++]);
        return true;
    }
    bool tag(std::string_view& out) {
        if (left() < 4) return false;
        out = b_.substr(pos_, 4);
        pos_ += 4;
        return true;
    }
    std::string_view take(std::size_t n) {
        n = std::min(n, left());
        std::string_view s = b_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    // A variable-length quantity: at most four bytes, seven bits each.
    bool vlq(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t c;
            if (!byte(c)) return false;
            out = (out << 7) | (c & 0x7F);
            if (!(c & 0x80)) return true;
        }
        return false;  // longer than any legal quantity: garbage
    }

private:
    std::string_view b_;
    std::size_t pos_ = 0;
};

// Number of data bytes that follow a channel message's status byte.
int channelDataBytes(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 1;
    default: return 2;
    }
}

// Walks one track's events. Returns the tick of its last whole event and adds
// its tempo changes to tempos. Stops at End of Track, at the end of the chunk
// or at the first event it cannot read.
std::uint64_t scanTrack(std::string_view track, std::vector<TempoChange>& tempos) {
    Reader r(track);
    std::uint64_t tick = 0;
    std::uint64_t lastWhole = 0;
    std::uint8_t running = 0;
    while (!r.atEnd()) {
        std::uint32_t delta;
        if (!r.vlq(delta)) break;
        const std::uint64_t at = tick + delta;
        std::uint8_t status;
        if (!r.peek(status)) break;
        if (status & 0x80) {
            r.byte(status);
        } else if (running) {
            status = running;  // running status: the data byte belongs to the last channel message
        } else {
            break;  // a data byte with no status before it
        }

        if (status == 0xFF) {
            std::uint8_t type;
            std::uint32_t len;
            if (!r.byte(type) || !r.vlq(len) || len > r.left()) break;
            std::string_view data = r.take(len);
            if (type == 0x51 && len >= 3) {
                const std::uint32_t us = (std::uint32_t(std::uint8_t(data[0])) << 16) |
                                         (std::uint32_t(std::uint8_t(data[1])) << 8) |
                                         std::uint32_t(std::uint8_t(data[2]));
                if (us > 0) tempos.push_back({at, us});
            }
            tick = lastWhole = at;
            if (type == 0x2F) break;  // End of Track
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len;
            if (!r.vlq(len) || !r.skip(len)) break;
            tick = lastWhole = at;
        } else if (status >= 0xF0) {
            break;  // system common and real-time messages have no place in a file
        } else {
            if (!r.skip(static_cast<std::size_t>(channelDataBytes(status)))) break;
            running = status;
            tick = lastWhole = at;
        }
    }
    return lastWhole;
}

// Microseconds from tick 0 to endTick under the given tempo changes, which
// must be sorted by tick.
double microseconds(std::uint64_t endTick, const std::vector<TempoChange>& tempos, std::uint32_t ticksPerQuarter) {
    double us = 0;
    std::uint64_t from = 0;
    std::uint32_t tempo = DefaultTempo;
    for (const TempoChange& t : tempos) {
        if (t.tick >= endTick) break;
        us += double(t.tick - from) * tempo / ticksPerQuarter;
        from = t.tick;
        tempo = t.usPerQuarter;
    }
    us += double(endTick - from) * tempo / ticksPerQuarter;
    return us;
}

std::int64_t toMs(double us) {
    const double ms = us / 1000.0 + 0.5;
    constexpr double cap = double(std::numeric_limits<std::int32_t>::max()) * 1000.0;
    return ms >= cap ? std::int64_t(cap) : std::int64_t(ms);
}

// The MIDI file inside a RIFF "RMID" wrapper, or the bytes unchanged.
std::string_view unwrapRmid(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "RMID") return bytes;
    Reader r(bytes.substr(12));
    std::string_view id;
    while (r.tag(id)) {
        std::uint32_t len = 0;
        if (r.left() < 4) break;
        for (int i = 0; i < 4; ++i) {  // RIFF sizes are little-endian
            std::uint8_t c = 0;
            r.byte(c);
            len |= std::uint32_t(c) << (8 * i);
        }
        if (id == "data") return r.take(len);
        if (!r.skip(len) || !r.skip(len & 1)) break;
    }
    return {};
}

}  // namespace

std::optional<std::int64_t> midiDurationMs(std::string_view bytes) {
    Reader r(unwrapRmid(bytes));
    std::string_view id;
    std::uint32_t headerLen, format, trackCount, division;
    if (!r.tag(id) || id != "MThd" || !r.be(4, headerLen) || headerLen < 6) return std::nullopt;
    if (!r.be(2, format) || !r.be(2, trackCount) || !r.be(2, division)) return std::nullopt;
    if (!r.skip(headerLen - 6)) return std::nullopt;
    (void)trackCount;  // the chunks present are read, whatever the header counts

    double usPerTick = 0;  // fixed for SMPTE time; metrical time uses the tempo map
    std::uint32_t ticksPerQuarter = 0;
    if (division & 0x8000) {
        const int framesPerSecond = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        const int ticksPerFrame = static_cast<int>(division & 0xFF);
        if (framesPerSecond <= 0 || ticksPerFrame == 0) return std::nullopt;
        const double fps = framesPerSecond == 29 ? 30000.0 / 1001.0 : double(framesPerSecond);
        usPerTick = 1e6 / (fps * ticksPerFrame);
    } else {
        ticksPerQuarter = division;
        if (ticksPerQuarter == 0) return std::nullopt;
    }

    std::vector<std::uint64_t> trackEnds;
    std::vector<std::vector<TempoChange>> trackTempos;
    while (r.tag(id)) {
        std::uint32_t len;
        if (!r.be(4, len)) break;
        std::string_view body = r.take(len);  // a chunk cut short keeps what is there
        if (id != "MTrk") continue;           // unknown chunks are skipped
        trackTempos.emplace_back();
        trackEnds.push_back(scanTrack(body, trackTempos.back()));
    }

    auto duration = [&](std::uint64_t endTick, std::vector<TempoChange>& tempos) {
        if (ticksPerQuarter == 0) return double(endTick) * usPerTick;
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        return microseconds(endTick, tempos, ticksPerQuarter);
    };

    if (format == 2) {
        // Independent sequences, each with its own tempo map, played in turn.
        double us = 0;
        for (std::size_t i = 0; i < trackEnds.size(); ++i) us += duration(trackEnds[i], trackTempos[i]);
        return toMs(us);
    }
    // One shared tempo map (normally in the first track) for all tracks.
    std::vector<TempoChange> tempos;
    std::uint64_t endTick = 0;
    for (std::size_t i = 0; i < trackEnds.size(); ++i) {
        tempos.insert(tempos.end(), trackTempos[i].begin(), trackTempos[i].end());
        endTick = std::max(endTick, trackEnds[i]);
    }
    return toMs(duration(endTick, tempos));
}

}  // namespace qel
