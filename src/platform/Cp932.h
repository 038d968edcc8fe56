#pragma once
// Text helpers. Inside the player every text is a CP932 (Windows Shift-JIS)
// byte string held in std::string; QString appears only at the edges, to
// display a text or to name a file.
#include <QString>
#include <string>
#include <string_view>

namespace qel {

// True for the first byte of a CP932 double-byte character.
inline bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// CP932 bytes to Unicode, for display and file names.
QString decode(std::string_view cp932);

// Unicode to CP932 bytes. When a character has no CP932 form, *ok is set to
// false (if given) and the character becomes '?'.
std::string encode(const QString& text, bool* ok = nullptr);

// A UTF-8 literal of the source code as CP932 bytes (the player's own texts).
std::string sj(std::string_view utf8);

// Case folding as a Japanese Windows locale compares without case: ASCII
// letters and the full-width Latin, Greek and Cyrillic letters fold to upper
// case; the trail byte of a double-byte character is never folded on its own.
std::string foldCase(std::string_view cp932);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The first n bytes of a text (a double-byte character may be split).
inline std::string cutBytes(std::string_view s, std::size_t n) { return std::string(s.substr(0, n)); }

}  // namespace qel
