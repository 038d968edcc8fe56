#include "shell/LiveReload.h"

#include "engine/Trace.h"
#include "platform/Cp932.h"
#include "platform/Waits.h"
#include "scene/Pictures.h"
#include "scene/Scene.h"
#include "dialogs/MessageWindow.h"
#include "shell/FormMein.h"
#include "shell/MessageBoxes.h"

#include <cstdio>

namespace qel {

void ReloadScene(Game& g) {
    const std::string name = g.st.SceneName;
    // What the header steps change, put back when the new text fails.
    const ScriptStore lines = g.st.ScriptLines;
    const auto rects = g.st.ObjectRects;
    const auto words = g.st.ObjectWords;
    const QImage background = g.pics.Haikei;
    const QImage shown = g.pics.ImageFront.copy();
    try {
        g.st.ScriptLines.assign(ReadSceneFile(name), name);
        ReadBackgroundLine(g);
        g.st.resetObjects();
        ReadObjectEntries(g);
    } catch (GameError& e) {
        e.setPlace(name + ":1");  // a file that cannot be read
        g.st.ScriptLines = lines;
        g.st.ObjectRects = rects;
        g.st.ObjectWords = words;
        g.pics.Haikei = background;
        g.host.setPictureSize(shown.width(), shown.height());
        copyPicture(g.pics.ImageFront, shown);
        g.host.updatePicture();
        throw;
    }
    g.host.hideMessageWindow();
    g.host.clearMessageText();
    g.host.resetFace();
    g.host.sceneLoaded(name);
    // The run that waits unwinds; the next click starts a new one.
    abandonRun();
    beginRun();
}

void TFormMein::reloadScene() {
    if (!game_ || game_->st.SceneName.empty() || !isVisible()) return;
    try {
        ReloadScene(*game_);
        // A page the abandoned run waited for counts as turned: the picture
        // takes clicks again.
        messages_->setPageClick(100);
    } catch (const GameError& e) {
        // The author needs the place, so the box shows it too.
        writePlacedLine(stderr, e.place(), e.text());
        showErrorBox(e.place() + ": " + e.text());
    }
}

}  // namespace qel
