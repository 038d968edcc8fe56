#include "engine/Objects.h"

#include "platform/Cp932.h"

namespace qel {

void DefineObject(GameState& st, std::int32_t object, std::int32_t left, std::int32_t right, std::int32_t top,
                  std::int32_t bottom, const std::string& name) {
    ObjectRect& r = st.ObjectRects[object];
    ObjectWordList& w = st.ObjectWords[object];
    r = ObjectRect{left, right, top, bottom};
    w[1] = name;
}

void AddVerb(Game& g, std::int32_t object, std::int32_t position, const std::string& verb) {
    if (position > 5) {
        // Checked before the object number: the notice is shown whatever it is.
        g.host.messageBox(BoxKind::InfoOk, sj("動詞追加の値が適切ではありません"));
        return;
    }
    if (position < 0) throw rangeError();
    ObjectWordList& w = g.st.ObjectWords[object];
    if (position == 0) {
        int slot = 6;  // verbs 1 to 4 all taken: verb 5 is replaced
        for (int k = 2; k <= 5; ++k) {
            if (w[k].empty()) {
                slot = k;
                break;
            }
        }
        w[slot] = verb;
    } else {
        w[position + 1] = verb;
    }
}

void RemoveVerb(GameState& st, std::int32_t object, std::int32_t position) {
    if (position < 0 || position > 5) throw rangeError();
    ObjectWordList& w = st.ObjectWords[object];
    w[position + 1] = std::string();
    for (int j = position + 1; j <= 5; ++j) w[j] = w[j + 1];
    w[6] = std::string();
}

void RemoveObject(GameState& st, std::int32_t object) {
    ObjectRect& r = st.ObjectRects[object];
    ObjectWordList& w = st.ObjectWords[object];
    r = ObjectRect{-1, 0, 0, 0};
    for (int k = 2; k <= 6; ++k) w[k] = std::string();
}

}  // namespace qel
