#include "platform/ArchiveUnpack.h"

#include <QDir>
#include <QStringList>

// Where in an unpacked archive (or any folder) the scenario starts: the
// shallowest folder holding "Opning.dat".

namespace qel {

namespace {

bool isOpeningScene(const QString& name) {
    static const char kName[] = "opning.dat";
    if (name.size() != qsizetype(sizeof kName - 1)) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = name[i].unicode();
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        if (c != char16_t(kName[i])) return false;
    }
    return true;
}

}  // namespace

bool HasOpeningScene(const QString& folder) {
    for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (isOpeningScene(f)) return true;
    return false;
}

QString FindScenarioFolder(const QString& root) {
    QStringList level{root};
    while (!level.isEmpty()) {
        QStringList next;
        for (const QString& folder : level) {
            QDir dir(folder);
            for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name))
                if (isOpeningScene(f)) return folder;
            for (const QString& d :
                 dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
                next << dir.filePath(d);
        }
        level = next;
    }
    return {};
}

}  // namespace qel
