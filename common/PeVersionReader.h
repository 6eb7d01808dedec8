#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// The file version of a Windows executable or library, read from the fixed
// record of its version resource. Every offset taken from the file is checked
// against the bytes at hand, so a truncated or hostile file is never read past
// its end: it simply has no version.
class PeVersionReader
{
public:
    struct FileVersion
    {
        quint32 mostSignificant = 0;  // major in the high word, minor in the low
        quint32 leastSignificant = 0; // build in the high word, revision in the low

        // "major.minor.build.revision", each part unsigned.
        QString text() const;
    };

    static std::optional<FileVersion> read(QByteArrayView image);
    // Reads the file in; nullopt when it cannot be opened or holds no version record.
    static std::optional<FileVersion> readFile(const QString &path);
};
