// Markup in a scenario's text, a file name or an archive entry's name is shown
// as the characters it is made of: no colour, no picture, no link to follow.
#include "dialogs/VerbWindow.h"
#include "platform/ArchiveUnpack.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "shell/MessageBoxes.h"

#include "BoxProbe.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>
#include <functional>
#include <gtest/gtest.h>

using namespace qel;

namespace {

const std::string kMarkup =
    "<font color=red size=7>FAKE</font><a href=\"file:///etc/passwd\">x</a><img src=\"/etc/a.png\">";

// A ZIP whose one entry has an absolute name, which the unpacker refuses by name.
QString hostileZip(const QString& path) {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open_filename(a, QFile::encodeName(path).constData());
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, ("/" + kMarkup).c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, 1);
    archive_write_header(a, e);
    archive_write_data(a, "x", 1);
    archive_entry_free(e);
    archive_write_close(a);
    archive_write_free(a);
    return path;
}

// Whether every label holding text shows it as plain text with no link, and
// whether one of them shows exactly the expected text.
struct Shown {
    bool plain = true;
    bool found = false;
};

Shown inspect(QWidget& root, const QString& expected) {
    Shown s;
    QList<QLabel*> labels = root.findChildren<QLabel*>();
    if (auto* self = qobject_cast<QLabel*>(&root)) labels << self;
    for (const QLabel* l : labels) {
        if (l->text().isEmpty()) continue;
        s.plain = s.plain && l->textFormat() == Qt::PlainText && !l->openExternalLinks() &&
                  !(l->textInteractionFlags() & (Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard));
        s.found = s.found || l->text() == expected;
    }
    return s;
}

}  // namespace

TEST(HostileText, MarkupIsShownAsItsCharacters) {
    QTemporaryDir dir;
    std::string archiveRefusal;
    try {
        UnpackArchive(hostileZip(dir.filePath("hostile.zip")), dir.filePath("cache"));
    } catch (const GameError& e) {
        archiveRefusal = e.text();
    }
    ASSERT_NE(archiveRefusal.find(kMarkup), std::string::npos);
    struct Case {
        const char* what;
        std::string text;  // CP932, as the box gets it
        bool errorBox;
    };
    const Case cases[] = {
        {"a file name in a scene", cannotOpenError(kMarkup + ".bmp").text(), true},
        {"an archive entry's name", archiveRefusal, true},
        {"a scenario's text line", kMarkup, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Shown s;
        EXPECT_TRUE(test::whileBoxIsUp(
            [&] { c.errorBox ? showErrorBox(c.text) : void(showMessageBox(BoxKind::Notice, c.text)); },
            [&](QMessageBox& box) { s = inspect(box, decode(c.text)); }));
        EXPECT_TRUE(s.found);
        EXPECT_TRUE(s.plain);
    }
    // An object's name in the verb window.
    TFromCom verbs;
    verbs.setWords(kMarkup, {"open", "", "", "", ""});
    const Shown s = inspect(*verbs.Label1, QString::fromStdString(kMarkup));
    EXPECT_TRUE(s.found && s.plain);
}
