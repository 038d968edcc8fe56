#pragma once
// Looking at a modal message box while it is up.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace qel::test {

// Calls show(), which opens a modal box, and look(box) once the box is up;
// then closes the box. False when no box came up.
inline bool whileBoxIsUp(const std::function<void()>& show, const std::function<void(QMessageBox&)>& look) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        look(*box);
        box->done(0);
    });
    show();
    return seen;
}

}  // namespace qel::test
