#pragma once
// Helpers for tests that need files: a scratch scenario folder that becomes
// the current folder for the test's life, and the bytes of small generated
// scene files, bitmaps and MIDI files. The benchmarks and fuzz targets use
// them too.
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <string>
#include <vector>

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
    // Writes a scene file of UTF-8 lines, stored as CP932 with CR LF.
    void writeScene(const std::string& name, const std::vector<std::string>& lines) const;
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

// A scene file's bytes: each line followed by CR LF, as the scenarios are
// written.
std::string crlfLines(const std::vector<std::string>& lines);
// A Windows bitmap (24-bit, bottom-up) of the image, as file bytes.
std::string bmpBytes(const QImage& image);
// An RGB32 image whose every pixel differs from its neighbours.
QImage patternImage(int w, int h, int seed);
// An RGB32 image of one colour.
QImage solidImage(int w, int h, unsigned rgb);
// A Standard MIDI File of one track that plays one note for a quarter note.
std::string tinyMidi();

}  // namespace qel::test
