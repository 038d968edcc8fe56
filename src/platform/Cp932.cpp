#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qel {

QString decode(std::string_view cp932) {
    QStringDecoder dec("windows-31j");
    return dec.decode(QByteArrayView(cp932.data(), qsizetype(cp932.size())));
}

std::string encode(const QString& text, bool* ok) {
    {
        QStringEncoder enc("windows-31j", QStringConverter::Flag::Stateless);
        QByteArray all = enc.encode(text);
        if (!enc.hasError() && !all.contains('?')) {
            if (ok) *ok = true;
            return std::string(all.constData(), std::size_t(all.size()));
        }
    }
    // Some character has no CP932 form: encode one character at a time so that
    // each such character becomes '?' and the others stay intact.
    std::string out;
    bool good = true;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringView ch = QStringView(text).mid(i, len);
        QStringEncoder enc("windows-31j", QStringConverter::Flag::Stateless);
        QByteArray part = enc.encode(ch);
        if (enc.hasError() || part.isEmpty() || (part == "?" && ch != u"?")) {
            good = false;
            out += '?';
        } else {
            out.append(part.constData(), std::size_t(part.size()));
        }
        i += len;
    }
    if (ok) *ok = good;
    return out;
}

std::string sj(std::string_view utf8) { return encode(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))); }

namespace {
// Folds one double-byte character (lead, trail) in place.
inline void foldDouble(unsigned char& lead, unsigned char& trail) {
    unsigned code = (unsigned(lead) << 8) | trail;
    if (code >= 0x8281 && code <= 0x829A) {                           // full-width a..z
        code -= 0x21;                                                 // -> A..Z (0x8260..)
    } else if (code >= 0x83BF && code <= 0x83D6) {                    // Greek small letters
        code -= 0x20;                                                 // -> capitals (0x839F..)
    } else if (code >= 0x8470 && code <= 0x8491 && code != 0x847F) {  // Cyrillic small
        // Small letters 0x8470..0x847E map to 0x8440..0x844E,
        // 0x8480..0x8491 map to 0x844F..0x8460 (0x847F is not a letter).
        code = code < 0x847F ? code - 0x30 : code - 0x31;
    } else {
        return;
    }
    lead = static_cast<unsigned char>(code >> 8);
    trail = static_cast<unsigned char>(code & 0xFF);
}
}  // namespace

std::string foldCase(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c) && i + 1 < out.size()) {
            auto lead = c;
            auto trail = static_cast<unsigned char>(out[i + 1]);
            foldDouble(lead, trail);
            out[i] = char(lead);
            out[i + 1] = char(trail);
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = char(c - 32);
        }
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;  // folding never changes a length
    return foldCase(a) == foldCase(b);
}

}  // namespace qel
