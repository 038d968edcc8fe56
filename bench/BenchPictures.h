#pragma once
// A plain 24-bit bitmap of one grey shade, written for a benchmark's scene.
#include <QByteArray>
#include <QFile>
#include <QString>

inline void writeBmp(const QString& path, int w, int h, char shade = '\x40') {
    const int row = (w * 3 + 3) & ~3;
    QByteArray b;
    auto put = [&b](quint32 v, int n) { for (int i = 0; i < n; ++i) b.append(char((v >> (8 * i)) & 0xFF)); };
    b.append("BM");
    put(quint32(54 + row * h), 4); put(0, 4); put(54, 4);
    put(40, 4); put(quint32(w), 4); put(quint32(h), 4); put(1, 2); put(24, 2); put(0, 4);
    put(quint32(row * h), 4); put(0, 4); put(0, 4); put(0, 4); put(0, 4);
    b.append(QByteArray(row * h, shade));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(b);
}
