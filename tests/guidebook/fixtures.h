// Helpers shared by the browser tests: files in a temporary folder, a file
// that exists but cannot be read, small pictures in the three formats.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <unistd.h>

namespace fixtures {

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Replaces `path` by a file that exists but whose reading fails. Permission
// bits stop nobody running as root, so there the file becomes a link to a
// kernel file that opens but fails every read.
inline bool MakeUnreadable(const QString& path) {
    QFile::remove(path);
    if (::geteuid() != 0) {
        return WriteBytes(path, "secret") &&
               QFile::setPermissions(path, QFileDevice::Permissions{});
    }
    return QFile::link(QStringLiteral("/proc/self/mem"), path);
}

// A 1 x 1 GIF whose only pixel is pure red.
inline QByteArray RedGif() {
    static const unsigned char bytes[] = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00,
        0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,
        0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace fixtures
