// The replay file's key names.
#include "app/ReplayScript.h"

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
