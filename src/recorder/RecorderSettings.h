#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The recorder window's choices, carried from one opening to the next in settings9.txt:
// one line of eleven comma-separated values ended by CR LF, numbers with a point whatever
// the locale, truth values as #TRUE# or #FALSE#. A field that cannot be read stays empty so
// that the window skips it; a missing height, left or top reads as 0.
class RecorderSettings
{
public:
    static constexpr int twipsPerPixel = 15;
    static constexpr double expandedHeight = 5025;
    static constexpr double compactHeight = 2150;

    std::optional<int> stopAtSize;
    std::optional<int> stopAtLength;
    std::optional<int> targetSize;
    std::optional<int> targetLength;
    std::optional<int> qualityIndex;
    // Outer measures of the window in twips.
    std::optional<double> height;
    std::optional<double> left;
    std::optional<double> top;
    std::optional<bool> mp3Chosen;
    std::optional<bool> wavChosen;
    std::optional<int> sourceLine;
    // A twelfth field, written only for a choice: the recording source the user chose, by
    // the server's name, percent-encoded. Without it the usual source is recorded.
    std::optional<QString> sourceName;

    static RecorderSettings parse(const QByteArray &content);
    // Empty fields are written as 0 or #FALSE#.
    QByteArray format() const;

    // The line is under a hundred bytes; a larger file is not read.
    static constexpr qint64 sizeLimit = 4 * 1024;

    // Nothing when the file does not exist, cannot be read, is not a regular file (a FIFO
    // or a device is never opened for reading) or is larger than sizeLimit.
    static std::optional<RecorderSettings> read(const QString &path);
    // The same; for a file that exists but was not read, `problem` says why ("it is not a
    // regular file but a FIFO"), so that the window can tell the user.
    static std::optional<RecorderSettings> read(const QString &path, QString *problem);
    // Replaces the file whole or leaves it as it was; on failure `error` says why.
    bool write(const QString &path, QString *error) const;
};
