#include "app/AuthorGuide.h"

#include "script/Commands.h"
#include "engine/GameState.h"

#include <QStringList>

namespace qel {

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QString fileText(const CommandRow& row, int n) {
    QStringList uses;
    for (const FileUse& f : row.files) {
        if (f.operand != n) continue;
        static const char* const kKinds[] = {"", "scene", "face picture", "picture", "music or sound"};
        QString use = QStringLiteral("%1 file").arg(QLatin1String(kKinds[int(f.kind)]));
        if (!f.extension.empty()) use += QStringLiteral(" `NAME%1`").arg(text(f.extension));
        if (f.modeOperand) {
            QStringList modes;
            for (int m = 0; m < 16; ++m)
                if ((f.modes >> m) & 1u) modes << QString::number(m);
            use += QStringLiteral(" (mode %1)").arg(modes.join(QStringLiteral(", ")));
        }
        uses << use;
    }
    return uses.join(QStringLiteral(", then "));
}

QString operandText(const CommandRow& row, int n) {
    switch (row.operand(n).kind) {
    case OperandKind::Integer: return QStringLiteral("a number");
    case OperandKind::Text: return QStringLiteral("text, as written");
    case OperandKind::Label: return QStringLiteral("a label, without its dot");
    case OperandKind::File: return fileText(row, n);
    case OperandKind::Variable: return QStringLiteral("an integer variable, 1..%1").arg(kIntVarCount);
    case OperandKind::StringVariable: return QStringLiteral("a string variable, 1..%1").arg(kStrVarCount);
    case OperandKind::Object: return QStringLiteral("an object, 1..%1").arg(kObjectCount);
    case OperandKind::None: break;
    }
    return {};
}

const char* waitText(CommandWait w) {
    switch (w) {
    case CommandWait::Page: return "a click that turns the page";
    case CommandWait::Box: return "the answer to a box";
    case CommandWait::TextInput: return "the text input dialog";
    case CommandWait::Timer: return "its time";
    case CommandWait::Transition: return "the transition";
    case CommandWait::GameEnd: return "the quit question";
    case CommandWait::None: break;
    }
    return "";
}

}  // namespace

QString CommandsMarkdown() {
    QString md;
    for (const CommandRow& row : commandRows()) {
        const CommandDoc& d = row.doc;
        md += QStringLiteral("### `%1`\n\n%2\n\n").arg(text(d.synopsis), text(d.summary));
        // The operand names of the synopsis, without its brackets.
        QString names = text(d.synopsis);
        names.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        const QStringList name = names.split(QLatin1Char(','));
        for (int n = 1; n <= kMaxOperands && row.operand(n).kind != OperandKind::None; ++n) {
            const OperandRule& o = row.operand(n);
            md += QStringLiteral("- `%1`: %2%3\n")
                      .arg(name.value(n), operandText(row, n), o.onlyWith ? QStringLiteral(" (optional)") : QString());
        }
        if (row.operand(1).kind == OperandKind::None) md += QStringLiteral("- no operands\n");
        if (row.wait != CommandWait::None)
            md += QStringLiteral("- waits for %1\n").arg(QLatin1String(waitText(row.wait)));
        if (!row.fallsThrough) md += QStringLiteral("- the line below does not run after it\n");
        md += QStringLiteral("\n```\n%1\n```\n\n").arg(text(d.example));
    }
    return md;
}

}  // namespace qel
