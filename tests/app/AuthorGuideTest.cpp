// The authors' guide carries the command reference as the table writes it.
#include "app/AuthorGuide.h"
#include "script/Commands.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(AuthorGuide, CommandReferenceIsUpToDate) {
    QFile f(QStringLiteral(QEL_SOURCE_DIR "/docs/authoring.md"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString doc = QString::fromUtf8(f.readAll());
    const QString begin = QStringLiteral("<!-- commands begin -->\n"), end = QStringLiteral("<!-- commands end -->");
    const qsizetype b = doc.indexOf(begin), e = doc.indexOf(end);
    ASSERT_TRUE(b >= 0 && e > b);
    EXPECT_EQ(doc.mid(b + begin.size(), e - b - begin.size()).toStdString(), qel::CommandsMarkdown().toStdString())
        << "regenerate the section with qelplayer --commands-markdown";
}

// The editor's grammar names every command word of the table.
TEST(AuthorGuide, EditorGrammarKnowsEveryCommand) {
    QFile f(QStringLiteral(QEL_SOURCE_DIR "/editors/vscode/syntaxes/qel.tmLanguage.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString grammar = QString::fromUtf8(f.readAll());
    for (const qel::CommandRow& row : qel::commandRows()) {
        const QString word = QString::fromLatin1(row.word.data(), 2);
        EXPECT_TRUE(grammar.contains(QRegularExpression("[:|]" + word + "[|)]"))) << word.toStdString();
    }
}
