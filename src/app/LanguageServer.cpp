#include "app/LanguageServer.h"

#include "app/JsonRpc.h"
#include "app/ScenarioCheck.h"
#include "script/Commands.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "scene/Bitmap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QUrl>

#include <cstdio>
#include <map>
#include <unistd.h>

namespace qel {

namespace {

// The typing pause after which a changed document is checked.
constexpr int kDebounceMs = 150;

// LSP's error code for a method the server does not know.
constexpr int kMethodNotFound = -32601;

QString wordOf(const CommandRow& row) { return QString::fromLatin1(row.word.data(), qsizetype(row.word.size())); }
QString latin(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QStringList splitLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    return lines;
}

QString pathOf(const QString& uri) { return QUrl(uri).toLocalFile(); }
QString uriOf(const QString& path) { return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(); }

// Field n of a line, as GetField splits it: [start, end) in characters. A
// field past the last comma is the last one, as the player reads it then.
struct Span {
    int start = 0;
    int end = 0;
};
Span fieldSpan(const QString& line, int n) {
    int start = 0;
    for (int k = 0; k < n; ++k) {
        const int comma = int(line.indexOf(QLatin1Char(','), start));
        if (comma < 0) break;
        start = comma + 1;
    }
    const int comma = int(line.indexOf(QLatin1Char(','), start));
    return {start, comma < 0 ? int(line.size()) : comma};
}
int fieldAt(const QString& line, int character) { return int(line.left(character).count(QLatin1Char(','))); }
QString fieldText(const QString& line, int n) {
    const Span s = fieldSpan(line, n);
    return line.mid(s.start, s.end - s.start);
}

QJsonObject position(int line, int character) { return {{"line", line}, {"character", character}}; }
QJsonObject range(int line, int start, int end) {
    return {{"start", position(line, start)}, {"end", position(line, end)}};
}
QJsonObject location(const QString& uri, const QJsonObject& r) { return {{"uri", uri}, {"range", r}}; }

// One scene's text as the editor has it, with what the server asks of it.
class SceneText {
public:
    explicit SceneText(const QString& text) : lines_(splitLines(text)) {
        // The header: the background line, then pairs of a rectangle and a
        // words line up to ";".
        body_ = int(lines_.size());
        for (int i = 1; i < lines_.size(); i += 2) {
            if (lines_[i] == QLatin1String(";")) {
                body_ = i + 1;
                break;
            }
            if (i + 1 < lines_.size()) objects_.push_back(i + 1);
        }
        for (int i = body_; i < lines_.size(); ++i)
            if (lines_[i].startsWith(QLatin1Char('.'))) labels_.emplace(fold(lines_[i].mid(1)), i);
    }

    const QStringList& lines() const { return lines_; }
    int body() const { return body_; }
    const std::vector<int>& objects() const { return objects_; }  // the words lines

    static std::string fold(const QString& label) { return foldCase(encode(label)); }
    // The line that a label names (the upper one of equal labels), or -1.
    int labelLine(const QString& label) const {
        auto it = labels_.find(fold(label));
        return it == labels_.end() ? -1 : it->second;
    }
    // A "." line that runs no command: a label.
    bool isLabel(int i) const {
        return i >= body_ && lines_[i].size() > 1 && lines_[i].startsWith(QLatin1Char('.')) && !row(i);
    }
    const CommandRow* row(int i) const {
        if (i < body_ || !lines_[i].startsWith(QLatin1Char('.'))) return nullptr;
        return findCommand(encode(lines_[i]));
    }
    // The IM line whose table line i is, or nullptr.
    bool isTableLine(int i) const {
        for (int up = 1; up <= i - body_; ++up) {
            const CommandRow* r = row(i - up);
            if (!r || !r->tableOperand) continue;
            bool ok = false;
            const int k = fieldText(lines_[i - up], r->tableOperand).toInt(&ok);
            if (ok && up <= k) return true;
        }
        return false;
    }

private:
    QStringList lines_;
    int body_ = 0;
    std::vector<int> objects_;
    std::multimap<std::string, int> labels_;  // first one first (emplace keeps order)
};

// What the cursor is on.
struct Token {
    enum Kind { None, Command, Label, File, ObjectClick } kind = None;
    const CommandRow* row = nullptr;
    int operand = 0;  // the file operand
    QString text;     // label (without dot) or file operand
    Span span;
};

Token tokenAt(const SceneText& scene, int line, int character) {
    Token t;
    if (line < 0 || line >= scene.lines().size()) return t;
    const QString& l = scene.lines()[line];
    const int n = fieldAt(l, character);
    if (line < scene.body()) {
        // A words line: its name and verbs name the labels a click runs.
        if (std::find(scene.objects().begin(), scene.objects().end(), line) == scene.objects().end()) return t;
        t.kind = Token::ObjectClick;
        t.text = fieldText(l, 0) + (n > 0 ? fieldText(l, n) : QString());
        t.span = fieldSpan(l, n);
        return t;
    }
    if (const CommandRow* row = scene.row(line)) {
        t.row = row;
        if (n == 0) {
            t.kind = Token::Command;
            t.span = {0, std::min<int>(3, int(l.size()))};
            return t;
        }
        if (n > kMaxOperands) return t;
        t.span = fieldSpan(l, n);
        t.text = l.mid(t.span.start, t.span.end - t.span.start);
        t.operand = n;
        const OperandKind kind = row->operand(n).kind;
        t.kind = kind == OperandKind::Label ? Token::Label : kind == OperandKind::File ? Token::File : Token::None;
        return t;
    }
    if (scene.isLabel(line)) {
        t.kind = Token::Label;
        t.text = l.mid(1);
        t.span = {1, int(l.size())};
    } else if (!l.startsWith(QLatin1Char('.')) && scene.isTableLine(line)) {
        t.kind = Token::Label;
        t.text = l;
        t.span = {0, int(l.size())};
    }
    return t;
}

// The files an operand opens, first the one that must be there.
QStringList fileNames(const CommandRow& row, int operand, const QString& text) {
    QStringList names;
    for (const FileUse& f : row.files)
        if (f.operand == operand) names.prepend(text + latin(f.extension));
    return names;
}
FileKind fileKind(const CommandRow& row, int operand) {
    for (const FileUse& f : row.files)
        if (f.operand == operand) return f.kind;
    return FileKind::None;
}

// Every place in the scene that names the label: operands, IM table lines,
// object names with their verbs.
QJsonArray labelReferences(const SceneText& scene, const QString& uri, const QString& label, bool declaration) {
    QJsonArray out;
    const std::string key = SceneText::fold(label);
    const QStringList& lines = scene.lines();
    for (int w : scene.objects()) {
        const QString name = fieldText(lines[w], 0);
        for (int n = 0; n <= 5; ++n) {
            const QString verb = n ? fieldText(lines[w], n) : QString();
            if (SceneText::fold(name + verb) != key) continue;
            const Span s = fieldSpan(lines[w], n);
            out.append(location(uri, range(w, s.start, s.end)));
            break;
        }
    }
    for (int i = scene.body(); i < lines.size(); ++i) {
        if (const CommandRow* row = scene.row(i)) {
            for (int n = 1; n <= kMaxOperands; ++n)
                if (row->operand(n).kind == OperandKind::Label && SceneText::fold(fieldText(lines[i], n)) == key) {
                    const Span s = fieldSpan(lines[i], n);
                    out.append(location(uri, range(i, s.start, s.end)));
                }
        } else if (scene.isLabel(i)) {
            if (declaration && SceneText::fold(lines[i].mid(1)) == key)
                out.append(location(uri, range(i, 0, int(lines[i].size()))));
        } else if (!lines[i].isEmpty() && !lines[i].startsWith(QLatin1Char('.')) && SceneText::fold(lines[i]) == key &&
                   scene.isTableLine(i)) {
            out.append(location(uri, range(i, 0, int(lines[i].size()))));
        }
    }
    return out;
}

QJsonArray fileReferences(const SceneText& scene, const QString& uri, const Token& file) {
    QJsonArray out;
    const QStringList wanted = fileNames(*file.row, file.operand, file.text);
    const QStringList& lines = scene.lines();
    for (int i = scene.body(); i < lines.size(); ++i) {
        const CommandRow* row = scene.row(i);
        if (!row) continue;
        for (int n = 1; n <= kMaxOperands; ++n) {
            if (row->operand(n).kind != OperandKind::File) continue;
            const QStringList names = fileNames(*row, n, fieldText(lines[i], n));
            if (names.isEmpty() || wanted.isEmpty() || names.first().compare(wanted.first(), Qt::CaseInsensitive))
                continue;
            const Span s = fieldSpan(lines[i], n);
            out.append(location(uri, range(i, s.start, s.end)));
        }
    }
    return out;
}

QString commandMarkdown(const CommandRow& row) {
    static const char* const kWaits[] = {
        "", "a page", "a box", "the text input", "a timer", "the transition", "the end of the game"};
    QString md = QStringLiteral("```\n%1\n```\n%2\n\nExample: `%3`")
                     .arg(latin(row.doc.synopsis), latin(row.doc.summary), latin(row.doc.example));
    if (row.wait != CommandWait::None)
        md += QStringLiteral("\n\nWaits for %1.").arg(QLatin1String(kWaits[int(row.wait)]));
    return md;
}

QJsonObject markdown(const QString& text) { return {{"kind", "markdown"}, {"value", text}}; }

// The scenario folder's files with one of the suffixes, as scripts name them.
QStringList folderFiles(const QStringList& patterns, bool dropSuffix) {
    QStringList out;
    for (const QString& f : QDir(QStringLiteral(".")).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase))
        out.append(dropSuffix ? QFileInfo(f).completeBaseName() : f);
    return out;
}

QJsonArray completions(const SceneText& scene, int line, int character) {
    QJsonArray items;
    auto add = [&](const QString& label, int kind, const QString& detail = QString(), const QString& doc = QString()) {
        QJsonObject item{{"label", label}, {"kind", kind}};
        if (!detail.isEmpty()) item.insert("detail", detail);
        if (!doc.isEmpty()) item.insert("documentation", markdown(doc));
        items.append(item);
    };
    if (line < scene.body() || line >= scene.lines().size()) return items;
    const QString& l = scene.lines()[line];
    const int n = fieldAt(l, character);
    if (l.startsWith(QLatin1Char('.')) && n == 0) {
        for (const CommandRow& row : commandRows())
            add(wordOf(row), 14 /* Keyword */, latin(row.doc.synopsis), commandMarkdown(row));
        return items;
    }
    const CommandRow* row = scene.row(line);
    if (!row || n > kMaxOperands) return items;
    const OperandKind kind = row->operand(n).kind;
    if (kind == OperandKind::Label) {
        for (int i = scene.body(); i < scene.lines().size(); ++i)
            if (scene.isLabel(i)) add(scene.lines()[i].mid(1), 18 /* Reference */);
    } else if (kind == OperandKind::File) {
        switch (fileKind(*row, n)) {
        case FileKind::Scene:
            for (const QString& f : folderFiles({QStringLiteral("*.dat")}, true)) add(f, 17 /* File */);
            break;
        case FileKind::Face:
        case FileKind::Picture:
            for (const QString& f : folderFiles({QStringLiteral("*.bmp")}, true)) add(f, 17);
            break;
        case FileKind::Media:
            for (const QString& f :
                 folderFiles({QStringLiteral("*.mid"), QStringLiteral("*.midi"), QStringLiteral("*.rmi"),
                              QStringLiteral("*.wav"), QStringLiteral("*.mp3"), QStringLiteral("*.ogg")},
                             false))
                add(f, 17);
            break;
        case FileKind::None: break;
        }
    }
    return items;
}

QJsonArray symbols(const SceneText& scene) {
    QJsonArray out;
    auto add = [&](const QString& name, int kind, int line, Span s) {
        if (name.isEmpty()) return;
        const QJsonObject r = range(line, 0, int(scene.lines()[line].size()));
        out.append(
            QJsonObject{{"name", name}, {"kind", kind}, {"range", r}, {"selectionRange", range(line, s.start, s.end)}});
    };
    for (int w : scene.objects())
        add(fieldText(scene.lines()[w], 0), 19 /* Object */, w, fieldSpan(scene.lines()[w], 0));
    for (int i = scene.body(); i < scene.lines().size(); ++i)
        if (scene.isLabel(i)) add(scene.lines()[i], 12 /* Function */, i, {0, int(scene.lines()[i].size())});
    return out;
}

// Makes the scene's folder current, where the player looks for its files.
void enterFolderOf(const QString& uri) {
    const QString path = pathOf(uri);
    if (!path.isEmpty()) QDir::setCurrent(QFileInfo(path).absolutePath());
}

std::optional<QString> fileUri(const QString& name) {
    auto path = findFile(encode(name));
    if (!path) return std::nullopt;
    return uriOf(*path);
}

QJsonValue hover(const SceneText& scene, const Token& t) {
    QString text;
    switch (t.kind) {
    case Token::Command: text = commandMarkdown(*t.row); break;
    case Token::Label:
    case Token::ObjectClick: {
        const int at = scene.labelLine(t.text);
        if (at < 0) return QJsonValue::Null;
        text = QStringLiteral("```\n");
        for (int i = at; i < std::min<int>(at + 4, int(scene.lines().size())); ++i) text += scene.lines()[i] + '\n';
        text += QStringLiteral("```");
        break;
    }
    case Token::File: {
        const FileKind kind = fileKind(*t.row, t.operand);
        const QString name = fileNames(*t.row, t.operand, t.text).value(0);
        if (kind == FileKind::Picture || kind == FileKind::Face) {
            try {
                const QImage image = loadBitmapFile(encode(name));
                text = QStringLiteral("`%1`: %2 × %3 pixels").arg(name).arg(image.width()).arg(image.height());
            } catch (const GameError& e) {
                text = QStringLiteral("`%1`: %2").arg(name, decode(e.text()));
            }
        } else {
            text = QStringLiteral("`%1`%2").arg(name,
                                                fileExists(encode(name)) ? QString() : QStringLiteral(": not found"));
        }
        break;
    }
    case Token::None: return QJsonValue::Null;
    }
    return QJsonObject{{"contents", markdown(text)}};
}

QJsonValue definition(const SceneText& scene, const QString& uri, const Token& t) {
    QJsonArray out;
    if (t.kind == Token::Label || t.kind == Token::ObjectClick) {
        const int at = scene.labelLine(t.text);
        if (at >= 0) out.append(location(uri, range(at, 0, int(scene.lines()[at].size()))));
    } else if (t.kind == Token::File) {
        for (const QString& name : fileNames(*t.row, t.operand, t.text))
            if (auto u = fileUri(name)) out.append(location(*u, range(0, 0, 0)));
    }
    return out;
}

}  // namespace

LanguageServer::LanguageServer(Sender send) : send_(std::move(send)) {
    debounce_.setSingleShot(true);
    debounce_.setInterval(kDebounceMs);
    connect(&debounce_, &QTimer::timeout, this, &LanguageServer::publishPending);
}

void LanguageServer::handle(const QJsonObject& message) {
    const QString method = message.value("method").toString();
    const QJsonObject params = message.value("params").toObject();
    const QJsonObject doc = params.value("textDocument").toObject();
    const QString uri = doc.value("uri").toString();
    if (method == QLatin1String("textDocument/didOpen")) {
        changed(uri, doc.value("text").toString());
    } else if (method == QLatin1String("textDocument/didChange")) {
        // Full text synchronisation: the last change holds the whole text.
        const QJsonArray changes = params.value("contentChanges").toArray();
        if (!changes.isEmpty()) changed(uri, changes.last().toObject().value("text").toString());
    } else if (method == QLatin1String("textDocument/didSave")) {
        pending_.insert(uri);
        debounce_.start();
    } else if (method == QLatin1String("textDocument/didClose")) {
        documents_.remove(uri);
        pending_.remove(uri);
    } else if (method == QLatin1String("exit")) {
        exited_ = true;
        emit exitRequested();
    }
    if (!message.contains("id")) return;  // a notification

    QJsonObject reply{{"jsonrpc", "2.0"}, {"id", message.value("id")}};
    if (method == QLatin1String("initialize")) {
        reply.insert("result", QJsonObject{{"capabilities",
                                            QJsonObject{{"textDocumentSync", 1},
                                                        {"definitionProvider", true},
                                                        {"referencesProvider", true},
                                                        {"hoverProvider", true},
                                                        {"documentSymbolProvider", true},
                                                        {"completionProvider",
                                                         QJsonObject{{"triggerCharacters", QJsonArray{",", "."}}}}}},
                                           {"serverInfo", QJsonObject{{"name", "qelplayer"}}}});
    } else if (method == QLatin1String("shutdown")) {
        shutdown_ = true;
        reply.insert("result", QJsonValue::Null);
    } else {
        const QJsonValue result = answer(method, params);
        if (result.isUndefined())
            reply.insert("error", QJsonObject{{"code", kMethodNotFound}, {"message", "unknown method " + method}});
        else reply.insert("result", result);
    }
    send_(reply);
}

QJsonValue LanguageServer::answer(const QString& method, const QJsonObject& params) {
    const QString uri = params.value("textDocument").toObject().value("uri").toString();
    QString text = documents_.value(uri);
    if (!documents_.contains(uri)) {
        QFile f(pathOf(uri));
        if (f.open(QIODevice::ReadOnly)) text = decode(f.readAll().toStdString());
    }
    const SceneText scene(text);
    const QJsonObject at = params.value("position").toObject();
    const int line = at.value("line").toInt(), character = at.value("character").toInt();
    enterFolderOf(uri);
    if (method == QLatin1String("textDocument/documentSymbol")) return symbols(scene);
    if (method == QLatin1String("textDocument/completion")) return completions(scene, line, character);
    const Token t = tokenAt(scene, line, character);
    if (method == QLatin1String("textDocument/hover")) return hover(scene, t);
    if (method == QLatin1String("textDocument/definition")) return definition(scene, uri, t);
    if (method == QLatin1String("textDocument/references")) {
        const bool declaration = params.value("context").toObject().value("includeDeclaration").toBool(true);
        if (t.kind == Token::Label || t.kind == Token::ObjectClick)
            return labelReferences(scene, uri, t.text, declaration);
        if (t.kind == Token::File) return fileReferences(scene, uri, t);
        return QJsonArray();
    }
    return QJsonValue(QJsonValue::Undefined);
}

void LanguageServer::changed(const QString& uri, const QString& text) {
    documents_.insert(uri, text);
    pending_.insert(uri);
    debounce_.start();
}

void LanguageServer::publishPending() {
    debounce_.stop();
    const QSet<QString> uris = std::exchange(pending_, {});
    for (const QString& uri : uris) publish(uri);
}

void LanguageServer::publish(const QString& uri) {
    const QString path = pathOf(uri);
    if (path.isEmpty()) return;
    CheckOptions options;
    options.reachedOnly = true;
    for (auto it = documents_.cbegin(); it != documents_.cend(); ++it)
        options.texts[QFileInfo(pathOf(it.key())).absoluteFilePath()] = encode(it.value());
    const std::optional<CheckReport> report = CheckScenario(path, nullptr, options);
    if (!report) return;  // not on disk (yet): nothing to say

    // The problems by file, in the file's own text.
    const QString folder = QFileInfo(path).absolutePath();
    std::map<QString, QJsonArray> byUri;
    std::map<QString, QStringList> textOf;
    for (const CheckIssue& issue : report->issues) {
        const QString fileUri = uriOf(QDir(folder).filePath(issue.file));
        auto lines = textOf.find(fileUri);
        if (lines == textOf.end()) {
            QString text = documents_.value(fileUri);
            if (!documents_.contains(fileUri)) {
                QFile f(QDir(folder).filePath(issue.file));
                if (f.open(QIODevice::ReadOnly)) text = decode(f.readAll().toStdString());
            }
            lines = textOf.emplace(fileUri, splitLines(text)).first;
        }
        const int l = issue.line - 1;
        const QString lineText = lines->second.value(l);
        const Span s = issue.field < 0 ? Span{0, int(lineText.size())} : fieldSpan(lineText, issue.field);
        byUri[fileUri].append(QJsonObject{{"range", range(l, s.start, s.end)},
                                          {"severity", issue.error ? 1 : 2},
                                          {"source", "qelplayer"},
                                          {"message", issue.message}});
    }
    byUri.try_emplace(uri);  // the checked scene itself, also when it is clean
    QSet<QString>& before = publishedBy_[uri];
    for (const QString& old : before) byUri.try_emplace(old);
    before.clear();
    for (const auto& [u, diagnostics] : byUri) {
        if (!diagnostics.isEmpty()) before.insert(u);
        send_(QJsonObject{{"jsonrpc", "2.0"},
                          {"method", "textDocument/publishDiagnostics"},
                          {"params", QJsonObject{{"uri", u}, {"diagnostics", diagnostics}}}});
    }
}

int RunLanguageServer() {
    JsonChannel channel(STDIN_FILENO, stdout);
    LanguageServer server([&channel](const QJsonObject& m) { channel.send(m); });
    QObject::connect(&channel, &JsonChannel::received, &server, &LanguageServer::handle);
    QObject::connect(&channel, &JsonChannel::closed, [] { QCoreApplication::exit(1); });
    QObject::connect(&server, &LanguageServer::exitRequested,
                     [&server] { QCoreApplication::exit(server.exitStatus()); });
    return QCoreApplication::exec();
}

}  // namespace qel
