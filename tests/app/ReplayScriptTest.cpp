// The replay file's key names, and its vocabulary as the docs list it.
#include "app/ReplayScript.h"
#include "app/ReplayVocabulary.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qel;

TEST(ReplayScript, KeyNames) {
    struct Case {
        const char* name;
        std::optional<QKeyCombination> key;
    };
    const Case cases[] = {
        {"Tab", QKeyCombination(Qt::Key_Tab)},
        {"Shift+Tab", QKeyCombination(Qt::ShiftModifier, Qt::Key_Tab)},
        {"Return", QKeyCombination(Qt::Key_Return)},
        {"space", QKeyCombination(Qt::Key_Space)},
        {"Escape", QKeyCombination(Qt::Key_Escape)},
        {"PgDown", QKeyCombination(Qt::Key_PageDown)},
        {"Menu", QKeyCombination(Qt::Key_Menu)},
        {"F11", QKeyCombination(Qt::Key_F11)},
        {"Alt+Return", QKeyCombination(Qt::AltModifier, Qt::Key_Return)},
        {"Ctrl++", QKeyCombination(Qt::ControlModifier, Qt::Key_Plus)},
        {"Ctrl+Plus", QKeyCombination(Qt::ControlModifier, Qt::Key_Plus)},
        {"ctrl+minus", QKeyCombination(Qt::ControlModifier, Qt::Key_Minus)},
        {"Ctrl+0", QKeyCombination(Qt::ControlModifier, Qt::Key_0)},
        {"T", QKeyCombination(Qt::Key_T)},
        {"Bogus", std::nullopt},
        {"Ctrl+Nothing", std::nullopt},
        {"Ctrl+X, Ctrl+C", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseKeyName(c.name), c.key) << c.name;
}

// docs/replays.md lists the actions as the program's table does, word for
// word, so neither can change without the other.
TEST(ReplayScript, TheDocsListEveryActionOfTheVocabulary) {
    QFile docs(QStringLiteral(QEL_SOURCE_DIR "/docs/replays.md"));
    ASSERT_TRUE(docs.open(QIODevice::ReadOnly));
    const std::string text = docs.readAll().toStdString();
    EXPECT_NE(text.find(replayHelp()), std::string::npos) << "docs/replays.md should hold, as it is:\n" << replayHelp();
    for (const ReplayVerb& v : replayVocabulary()) {
        EXPECT_EQ(findReplayVerb(v.word), &v);
        EXPECT_EQ(replayLine(v.id, "1 2"), std::string(v.word) + " 1 2");
    }
    const std::vector<ReplayAction> parsed = ParseReplay("click 3 4\nbogus\n");
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].verb, &replayVerb(ReplayWord::Click));
    EXPECT_EQ(parsed[1].verb, nullptr) << "an unknown word is an error only when it is reached";
}
