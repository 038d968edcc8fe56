#pragma once
// Windows font faces and heights as Qt fonts. Scenarios and windows name the
// Japanese faces of Windows ("ＭＳ 明朝", "ＭＳ Ｐゴシック" ...); they are
// drawn with the matching IPA faces, and heights follow the Windows rule:
//   height < 0: character height (the cell without its internal leading),
//   height > 0: cell height (ascent + descent),
//   height = 0: the default height.
#include <QFont>
#include <QString>
#include <QStringList>
#include <string>

namespace qel {

// The IPA family that stands for a Windows face name; an unknown face gives
// "IPAPGothic".
QString mapFaceName(const QString& windowsFace);
QString mapFaceName(const std::string& cp932Face);

// The font for a Windows face and height, sized so that its metrics match the
// requested character or cell height as closely as the font allows.
QFont windowsFont(const QString& face, int windowsHeight);
QFont windowsFont(const std::string& cp932Face, int windowsHeight);

// The IPA families the player draws with that this system lacks (empty when
// all are installed): without them every Japanese character is a box.
QStringList missingJapaneseFonts();
// What to tell the player when some are missing: which packages to install.
QString missingFontsAdvice(const QStringList& missing);

}  // namespace qel
