#pragma once
// Text that comes from outside the program (a scenario's lines, file names,
// archive entries, a save) is shown as it is written: as plain text in the
// windows, where markup draws nothing and no link opens anything, and with its
// control bytes spelled out on the terminal, where they would otherwise move
// the cursor, retitle the window or clear the screen.
#include <QString>
#include <cstdio>

class QWidget;

namespace qel {

// The text with every control character (below 0x20 except tab and newline,
// DEL, and the C1 controls U+0080..U+009F) written as \xHH.
QString terminalSafe(const QString& text);

// Writes the text, made terminal-safe, as UTF-8 to out (nothing when out is
// null) and flushes it. Every line the program writes to standard output or
// standard error goes through here.
void writeTerminal(std::FILE* out, const QString& text);

// Makes every label inside root show its text as plain text with no link
// that can be followed (message boxes and the windows showing a scenario's
// words call it once they hold their labels).
void keepPlain(QWidget& root);

}  // namespace qel
