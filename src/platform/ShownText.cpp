#include "platform/ShownText.h"

#include <QByteArray>
#include <QLabel>
#include <QWidget>

namespace qel {

QString terminalSafe(const QString& text) {
    const auto isControl = [](char16_t c) {
        return (c < 0x20 && c != u'\t' && c != u'\n') || (c >= 0x7F && c <= 0x9F);
    };
    qsizetype i = 0;
    while (i < text.size() && !isControl(text[i].unicode())) ++i;
    if (i == text.size()) return text;
    QString out = text.left(i);
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isControl(c)) out += QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QLatin1Char('0'));
        else out += text[i];
    }
    return out;
}

void writeTerminal(std::FILE* out, const QString& text) {
    if (!out) return;
    const QByteArray bytes = terminalSafe(text).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out);
    std::fflush(out);
}

void keepPlain(QWidget& root) {
    QList<QLabel*> labels = root.findChildren<QLabel*>();
    if (auto* self = qobject_cast<QLabel*>(&root)) labels.append(self);
    for (QLabel* label : labels) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(label->textInteractionFlags() &
                                       ~(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard));
    }
}

}  // namespace qel
