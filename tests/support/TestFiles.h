#pragma once
// Helpers for tests that need files: a scratch scenario folder that becomes
// the current folder for the test's life, and small generated bitmaps.
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <string>

namespace qel::test {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    QString path() const { return dir_.path(); }
    // Writes bytes to a file (name as UTF-8, relative to the folder).
    void write(const std::string& name, const std::string& bytes) const;
    // Writes a 24-bit bottom-up Windows bitmap of the image.
    void writeBmp(const std::string& name, const QImage& image) const;
    std::string read(const std::string& name) const;
    // Copies every file of a folder into this one.
    void copyFrom(const QString& folder) const;
    // Every file's name and bytes, to tell whether anything changed.
    std::map<std::string, std::string> snapshot() const;
    bool exists(const std::string& name) const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A Windows bitmap (24-bit, bottom-up) of the image, as file bytes.
std::string bmpBytes(const QImage& image);
// An RGB32 image whose every pixel differs from its neighbours.
QImage patternImage(int w, int h, int seed);
// An RGB32 image of one colour.
QImage solidImage(int w, int h, unsigned rgb);

} // namespace qel::test
