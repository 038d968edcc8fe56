#include "app/ReplayScript.h"

#include "app/ReplayVocabulary.h"
#include "platform/Cp932.h"

#include <QKeySequence>
#include <charconv>

namespace qel {

std::vector<ReplayAction> ParseReplay(std::string_view text) {
    std::vector<ReplayAction> out;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // byte order mark
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            if (end == text.size()) break;
            continue;
        }
        ReplayAction a;
        a.line = lineNo;
        a.text = line;
        std::string body = line.substr(first);
        std::size_t blank = body.find(' ');
        a.word = body.substr(0, blank);
        if (blank != std::string::npos) a.rest = body.substr(blank + 1);
        a.verb = findReplayVerb(a.word);
        out.push_back(std::move(a));
        if (end == text.size()) break;
    }
    return out;
}

std::optional<std::int64_t> ParseNumber(const std::string& rest) {
    std::int64_t v = 0;
    const char* b = rest.data();
    const char* e = b + rest.size();
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || rest.empty()) return std::nullopt;
    return v;
}

std::optional<std::pair<int, int>> ParsePoint(const std::string& rest) {
    std::size_t blank = rest.find(' ');
    if (blank == std::string::npos) return std::nullopt;
    auto x = ParseNumber(rest.substr(0, blank));
    auto y = ParseNumber(rest.substr(blank + 1));
    if (!x || !y || *x < INT32_MIN || *x > INT32_MAX || *y < INT32_MIN || *y > INT32_MAX) return std::nullopt;
    return std::make_pair(int(*x), int(*y));
}

std::optional<QKeyCombination> ParseKeyName(const std::string& utf8) {
    QString name = QString::fromUtf8(utf8.c_str()).trimmed();
    // "+" also joins the modifiers to the key, so the two signs have names.
    for (const auto& [word, sign] : {std::pair{QLatin1String("plus"), QLatin1String("+")},
                                     std::pair{QLatin1String("minus"), QLatin1String("-")}}) {
        if (name.compare(word, Qt::CaseInsensitive) == 0 ||
            name.endsWith(QLatin1String("+") + word, Qt::CaseInsensitive))
            name = name.left(name.size() - word.size()) + sign;
    }
    if (name.isEmpty() || name.contains(QLatin1Char(','))) return std::nullopt;
    const QKeySequence seq = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (seq.count() != 1 || seq[0].key() == Qt::Key_unknown || seq[0].key() == 0) return std::nullopt;
    return seq[0];
}

std::string TranscriptText(const std::string& cp932) {
    QByteArray utf8 = decode(cp932).toUtf8();
    std::string out;
    out.reserve(std::size_t(utf8.size()));
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        char c = utf8[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\n";
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace qel
