#pragma once

#include <QHash>
#include <QString>

// The sound files that came with the program, as the manifest beside them lists them. A file
// that is still the one shipped is played by its live version, which never repeats; one that
// the user has put in its place is played as it is.
//
// Any thread; reads the manifest once, and a few kilobytes of a file for each question.
class ShippedSounds
{
public:
    // Without a readable manifest in `folder`, no file counts as shipped.
    explicit ShippedSounds(const QString &folder);

    // True when the file at `path` is the one shipped as `name` ("violet.Wav").
    bool isShipped(const QString &name, const QString &path) const;

private:
    QHash<QString, QString> m_fingerprints;
};
