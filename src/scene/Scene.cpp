#include "scene/Scene.h"

#include "engine/Fields.h"
#include "engine/WaitGuard.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileLookup.h"
#include "scene/Bitmap.h"
#include "scene/Pictures.h"

#include <QFile>

namespace qel {

namespace {

std::string joinLines(std::initializer_list<const char*> utf8Lines) {
    std::string out;
    for (const char* line : utf8Lines) {
        if (!out.empty()) out += "\r\n";
        out += sj(line);
    }
    return out;
}

}  // namespace

std::vector<std::string> SplitSceneLines(std::string_view bytes) {
    // Everything from the first NUL on is not part of the text.
    if (auto nul = bytes.find('\0'); nul != std::string_view::npos) bytes = bytes.substr(0, nul);

    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(bytes.substr(start, i - start));
        // CR LF is one line end; a lone CR, a lone LF (and so LF CR) end a line each.
        i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

std::vector<std::string> ReadSceneFile(const std::string& fileName) {
    auto path = findFile(fileName);
    if (!path) throw cannotOpenError(fileName);
    QFile f(*path);
    if (!f.open(QIODevice::ReadOnly)) throw cannotOpenError(fileName);
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) throw cannotOpenError(fileName);
    return SplitSceneLines(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

bool LoadScene(Game& g, const std::string& sceneName) {
    noteLoad(g);  // scenes that jump to each other without waiting
    // 1. The message window goes out of the way (hiding a hidden window does nothing).
    g.host.hideMessageWindow();

    // 2. A missing scene file means a broken installation: tell the player and close.
    const std::string fileName = sceneName + ".dat";
    if (!fileExists(fileName)) {
        g.host.messageBox(BoxKind::Notice,
                          joinLines(
                              {"シーンＤＡＴＡがありません！", "ゲームのデータが破壊されている可能性があります。",
                               "インストールし直すか、それでも回復しないときはデータの作成者に問い合わせください。"}));
        g.host.closeMainWindow();
        g.host.quitProgram();
        return false;
    }

    // 3-5. The new script store holds the whole file until the header is read.
    g.st.ScriptLines.clear();
    g.st.SceneName = fileName;
    g.st.ScriptLines.assign(ReadSceneFile(fileName), fileName);

    // 6-8. Header: background, then the objects.
    ReadBackgroundLine(g);
    g.st.resetObjects();
    ReadObjectEntries(g);

    // 9. The start label, or else the first stop line (reading past the last
    // line raises the list error with the number of lines).
    FindLabel(g, "Start");
    if (g.st.TargetLine < 0) {
        std::int32_t i = 0;
        while (g.st.ScriptLines[i] != ";") ++i;
        g.st.TargetLine = i;
    }

    // 10. The face picture of the previous scene goes, with the text.
    g.host.resetFace();
    g.host.sceneLoaded(g.st.SceneName);
    return true;
}

namespace {

// A failure while a header line is read is placed at that line, the first
// line of the store.
template <typename Work>
void atHeaderLine(Game& g, Work&& work) {
    try {
        work();
    } catch (GameError& e) {
        e.setPlace(g.st.ScriptLines.place(0));
        throw;
    }
}

void readBackgroundLine(Game& g, const std::function<void()>& afterBitmap) {
    const std::string line = g.st.ScriptLines[0];
    // The new background replaces the old one only once it has loaded.
    QImage background = loadBitmapFile(GetField(0, line) + ".BMP");
    g.pics.Haikei = std::move(background);
    if (afterBitmap) afterBitmap();
    g.host.setPictureSize(g.pics.Haikei.width(), g.pics.Haikei.height());
    // An independent bitmap: drawing on the shown picture leaves Haikei clean.
    copyPicture(g.pics.ImageFront, g.pics.Haikei);
    g.host.updatePicture();  // the window may keep its size: show the new picture anyway
    g.st.ScriptLines.removeFirst();
}

void readObjectEntries(Game& g) {
    auto& lines = g.st.ScriptLines;
    for (std::int64_t k = 1; lines[0] != ";"; ++k) {
        const std::string rectLine = lines[0];
        for (int j = 1; j <= 4; ++j) {
            const std::int32_t v = StrToInt(GetField(j - 1, rectLine));
            g.st.ObjectRects[k].value(j) = v;  // the 51st entry fails here
        }
        lines.removeFirst();

        const std::string wordsLine = lines[0];
        auto& words = g.st.ObjectWords[k];
        for (int j = 1; j <= 6; ++j) words[j] = GetField(j - 1, wordsLine);  // cut to 30 bytes
        lines.removeFirst();
    }
    lines.removeFirst();  // the terminator
}

void checkDataVersion(Game& g) {
    const std::string field = GetField(1, g.st.ScriptLines[0]);
    if (field.empty()) return;
    if (StrToInt(field) > kNewestDataVersion) {
        g.host.messageBox(
            BoxKind::Notice,
            joinLines({"このＤＡＴＡは本プログラムよりバージョンの新しいＰｌａｙｅｒ向けに作られています。",
                       "正常な実行をするためには", "最新のバージョンにアップグレードする事をお勧めいたします。"}));
    }
}

}  // namespace

void ReadBackgroundLine(Game& g, const std::function<void()>& afterBitmap) {
    atHeaderLine(g, [&] { readBackgroundLine(g, afterBitmap); });
}

void ReadObjectEntries(Game& g) {
    atHeaderLine(g, [&] { readObjectEntries(g); });
}

void CheckDataVersion(Game& g) {
    atHeaderLine(g, [&g] { checkDataVersion(g); });
}

}  // namespace qel
