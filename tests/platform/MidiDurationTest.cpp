// Duration of Standard MIDI Files built byte by byte.
#include "platform/MidiDuration.h"

#include <gtest/gtest.h>
#include <string>

using namespace qel;

namespace {

std::string be(std::uint32_t v, int width) {
    std::string s;
    for (int i = width - 1; i >= 0; --i) s += char((v >> (8 * i)) & 0xFF);
    return s;
}
std::string vlq(std::uint32_t v) {
    std::string s(1, char(v & 0x7F));
    while (v >>= 7) s.insert(s.begin(), char(0x80 | (v & 0x7F)));
    return s;
}
std::string header(int format, int tracks, std::uint16_t division) {
    return "MThd" + be(6, 4) + be(format, 2) + be(tracks, 2) + be(division, 2);
}
std::string track(const std::string& events) { return "MTrk" + be(std::uint32_t(events.size()), 4) + events; }
std::string tempo(std::uint32_t delta, std::uint32_t usPerQuarter) {
    return vlq(delta) + "\xFF\x51\x03" + be(usPerQuarter, 3);
}
std::string noteOn(std::uint32_t delta) { return vlq(delta) + "\x90\x3C\x64"; }
std::string noteOff(std::uint32_t delta) { return vlq(delta) + std::string("\x80\x3C\x00", 3); }
std::string endOfTrack(std::uint32_t delta = 0) { return vlq(delta) + std::string("\xFF\x2F\x00", 3); }

// One second at the default tempo (120 bpm, 480 ticks per quarter note).
const std::string oneSecond = header(0, 1, 480) + track(noteOn(0) + noteOff(960) + endOfTrack());

TEST(MidiDurationTest, DefaultTempoAndTempoChanges) {
    EXPECT_EQ(midiDurationMs(oneSecond), 1000);
    // 480 ticks at 0.5 s per quarter, then 480 ticks at 1 s per quarter.
    const std::string twoTempos = header(0, 1, 480) + track(tempo(0, 500000) + noteOn(0) + tempo(480, 1000000) +
                                                            noteOff(480) + endOfTrack());
    EXPECT_EQ(midiDurationMs(twoTempos), 1500);
    // The End of Track's own delta time counts.
    EXPECT_EQ(midiDurationMs(header(0, 1, 96) + track(noteOn(0) + endOfTrack(192))), 1000);
}

TEST(MidiDurationTest, FormatOneSharesTheFirstTracksTempoMapAndTakesTheLongestTrack) {
    const std::string tempoTrack = track(tempo(0, 250000) + tempo(960, 500000) + endOfTrack());
    const std::string shortTrack = track(noteOn(0) + noteOff(480) + endOfTrack());
    const std::string longTrack = track(noteOn(0) + noteOff(1920) + endOfTrack());
    // 960 ticks at 0.25 s per quarter (500 ms) + 960 ticks at 0.5 s (1000 ms).
    EXPECT_EQ(midiDurationMs(header(1, 3, 480) + tempoTrack + shortTrack + longTrack), 1500);
    EXPECT_EQ(midiDurationMs(header(1, 3, 480) + tempoTrack + longTrack + shortTrack), 1500);
    // The header's track count is not trusted: the chunks present are read.
    EXPECT_EQ(midiDurationMs(header(1, 1, 480) + tempoTrack + longTrack), 1500);
}

TEST(MidiDurationTest, FormatTwoPlaysItsTracksInTurn) {
    const std::string a = track(tempo(0, 1000000) + noteOn(0) + noteOff(480) + endOfTrack());  // 1 s
    const std::string b = track(noteOn(0) + noteOff(480) + endOfTrack());                      // 0.5 s, own tempo
    EXPECT_EQ(midiDurationMs(header(2, 2, 480) + a + b), 1500);
}

TEST(MidiDurationTest, RunningStatusSysexAndMetaEvents) {
    std::string events = vlq(0) + "\x90\x3C\x64";                      // note on with status
    events += vlq(480) + std::string("\x3C\x00", 2);                   // running status: note off by velocity 0
    events += vlq(0) + "\xFF\x01" + vlq(200) + std::string(200, 't');  // a long text event
    events += vlq(0) + "\x40\x64";                                     // running status survives the meta event
    events += vlq(0) + "\xF0" + vlq(5) + std::string("\x7E\x7F\x09\x01\xF7", 5);  // sysex
    events += vlq(240) + "\xF7" + vlq(2) + "\x01\x02";                            // escape
    events += vlq(0) + "\xC0\x05";                                                // one data byte
    events += vlq(240) + "\x05";                                                  // running program change
    events += vlq(0) + std::string("\xD0\x10", 2) + vlq(0) + std::string("\xE0\x00\x40", 3);
    events += endOfTrack();
    EXPECT_EQ(midiDurationMs(header(0, 1, 480) + track(events)), 1000);
}

TEST(MidiDurationTest, SmpteTimeDivision) {
    // 25 frames per second, 40 ticks per frame: one tick is a millisecond.
    EXPECT_EQ(midiDurationMs(header(0, 1, 0xE728) + track(noteOn(0) + noteOff(2500) + endOfTrack())), 2500);
    // Tempo events do not change SMPTE time.
    EXPECT_EQ(midiDurationMs(header(0, 1, 0xE728) + track(tempo(0, 100000) + noteOff(2500) + endOfTrack())), 2500);
    // 29.97 frames per second, 100 ticks per frame: 2997 ticks make 1 s.
    EXPECT_EQ(midiDurationMs(header(0, 1, 0xE364) + track(noteOn(0) + noteOff(2997) + endOfTrack())), 1000);
}

TEST(MidiDurationTest, UnknownChunksAndRiffWrapperAndLongerHeader) {
    const std::string body = track(noteOn(0) + noteOff(960) + endOfTrack());
    EXPECT_EQ(midiDurationMs(header(0, 1, 480) + "XFIH" + be(3, 4) + "abc" + body), 1000);
    EXPECT_EQ(midiDurationMs("MThd" + be(8, 4) + be(0, 2) + be(1, 2) + be(480, 2) + "zz" + body), 1000);

    auto le = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const std::string smf = oneSecond;
    const std::string riff = "RIFF" + le(4 + 8 + 3 + 1 + 8 + std::uint32_t(smf.size())) + "RMID" + "LIST" + le(3) +
                             "abc" + std::string(1, '\0') + "data" + le(std::uint32_t(smf.size())) + smf;
    EXPECT_EQ(midiDurationMs(riff), 1000);
}

TEST(MidiDurationTest, NotAMidiFile) {
    EXPECT_EQ(midiDurationMs(""), std::nullopt);
    EXPECT_EQ(midiDurationMs(std::string("RIFF\x10\0\0\0WAVEfmt ", 16)), std::nullopt);
    EXPECT_EQ(midiDurationMs("MThd"), std::nullopt);
    EXPECT_EQ(midiDurationMs("MThd" + be(4, 4) + be(0, 2) + be(1, 2)), std::nullopt);    // header too short
    EXPECT_EQ(midiDurationMs(header(0, 1, 0) + track(noteOff(10))), std::nullopt);       // no ticks per quarter
    EXPECT_EQ(midiDurationMs(header(0, 1, 0xE700) + track(noteOff(10))), std::nullopt);  // no ticks per frame
    EXPECT_EQ(midiDurationMs(header(0, 0, 480)), 0);                                     // no tracks: nothing to play
}

TEST(MidiDurationTest, TruncatedFilesCountUpToTheLastWholeEvent) {
    const std::string full = header(0, 1, 480) + track(noteOn(0) + noteOff(960) + noteOn(960) + endOfTrack());
    EXPECT_EQ(midiDurationMs(full), 2000);
    // Every prefix of the file: never more than the whole, never a crash.
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const auto ms = midiDurationMs(std::string_view(full).substr(0, n));
        if (n < 14) EXPECT_EQ(ms, std::nullopt) << n;
        else ASSERT_TRUE(ms && *ms >= 0 && *ms <= 2000) << n;
    }
    // Cut after the first note off (the track's length still claims the whole).
    const std::size_t cut = 14 + 8 + 4 + 4 + 2;
    EXPECT_EQ(midiDurationMs(std::string_view(full).substr(0, cut)), 1000);
}

TEST(MidiDurationTest, GarbageInsideATrackEndsThatTrack) {
    // A data byte with no status before it.
    EXPECT_EQ(midiDurationMs(header(0, 1, 480) + track(vlq(0) + "\x3C\x40" + noteOff(960))), 0);
    // A delta time longer than four bytes.
    EXPECT_EQ(midiDurationMs(header(0, 1, 480) + track(noteOff(960) + "\x81\x81\x81\x81\x01" + "\x90\x3C\x40")), 1000);
    // A meta event claiming more bytes than the track holds.
    EXPECT_EQ(midiDurationMs(header(0, 1, 480) + track(noteOff(480) + vlq(480) + "\xFF\x01\x8F\x7F" + "abc")), 500);
    // A system real-time byte in the file.
    EXPECT_EQ(midiDurationMs(header(0, 1, 480) + track(noteOff(480) + vlq(480) + "\xF8" + noteOff(0))), 500);

    // Pseudo-random bytes after a valid header: any answer, no crash.
    std::uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string junk;
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245 + 12345;
            junk += char(seed >> 16);
        }
        const auto ms = midiDurationMs(header(1, 2, 96) + track(junk) + junk);
        ASSERT_TRUE(ms && *ms >= 0);
    }
}

TEST(MidiDurationTest, HugeTimesStayFiniteAndPositive) {
    std::string events;
    for (int i = 0; i < 1000; ++i) events += noteOff(0x0FFFFFFF);
    const auto ms = midiDurationMs(header(0, 1, 1) + track(tempo(0, 0xFFFFFF) + events));
    ASSERT_TRUE(ms);
    EXPECT_GT(*ms, 0);
}

}  // namespace
