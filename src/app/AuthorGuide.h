#pragma once
// The command reference of the authors' guide, written from the command
// table so that it says what the player does (docs/authoring.md holds it
// between its "commands" markers; `qelplayer --commands-markdown` prints it).
#include <QString>

namespace qel {

QString CommandsMarkdown();

}  // namespace qel
