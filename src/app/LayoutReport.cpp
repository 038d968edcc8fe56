#include "app/LayoutReport.h"

#include "app/Transcript.h"
#include "app/WindowHost.h"
#include "dialogs/MessageWindow.h"
#include "dialogs/TextInput.h"
#include "dialogs/VerbWindow.h"
#include "shell/Display.h"
#include "shell/FormMein.h"
#include "shell/PictureView.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <optional>
#include <utility>
#include <stdexcept>

namespace qel {

namespace {

QString rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}  // namespace

QString layoutLine(const Windows& w) {
    if (!w.main) return {};
    const Display& d = w.main->display();
    const PictureView& view = *w.main->ImageFront;
    const QRect picture(view.mapTo(w.main, view.pictureRect().topLeft()), view.pictureRect().size());
    QString line = QStringLiteral("%1 %2 %3 window %4x%5 picture %6")
                       .arg(d.onStage() ? QLatin1String("one") : QLatin1String("separate"))
                       .arg(d.scale())
                       .arg(d.fullScreen() ? QLatin1String("fullscreen") : QLatin1String("windowed"))
                       .arg(w.main->width())
                       .arg(w.main->height())
                       .arg(rectText(picture));
    const std::pair<const char*, const QWidget*> windows[] = {{"message", w.messages},
                                                              {"verbs", w.verbs},
                                                              {"input", w.textInput}};
    for (const auto& [name, window] : windows) {
        if (!window) continue;
        if (const std::optional<QRect> at = d.placeFromPicture(*window))
            line += QStringLiteral(" %1 %2").arg(QLatin1String(name), rectText(*at));
    }
    return line;
}

LayoutReport::LayoutReport(const QString& folder) : folder_(folder) {
    if (folder_.isEmpty()) return;
    if (!QDir().mkpath(folder_)) throw std::runtime_error("cannot create " + folder_.toStdString());
    file_ = openForWriting(folder_ + QStringLiteral("/layout.txt"));
}

LayoutReport::~LayoutReport() = default;

void LayoutReport::take(int lineNo, const Windows& w) {
    if (!file_ || !w.main || !w.main->isVisible()) return;
    const QString number = QStringLiteral("%1").arg(lineNo, 4, 10, QLatin1Char('0'));
    file_->write((number + QLatin1Char(' ') + layoutLine(w) + QLatin1Char('\n')).toUtf8());
    file_->flush();
    w.main->grab().save(QStringLiteral("%1/%2.png").arg(folder_, number), "PNG");
}

}  // namespace qel
