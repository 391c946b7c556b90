#pragma once

#include <QByteArray>
#include <QString>

// A small text file read whole, such as a mix file or a window's settings file.
//
// Only a regular file is read, and only up to a bound: a FIFO, a device, a folder or a link
// to one of them is refused without being read (opening a FIFO never waits for a writer),
// and so is a file larger than the bound. Blocks only on the file system itself.
class SmallFile
{
public:
    enum class Status { Read, Missing, Unreadable, NotRegular, TooLarge };

    struct Result
    {
        Status status = Status::Missing;
        QByteArray content;
        // Why the file was not read, as a phrase that follows "because": "it is not a
        // regular file but a FIFO", "it could not be read (Permission denied)".
        QString reason;

        bool ok() const { return status == Status::Read; }
    };

    static Result read(const QString &path, qint64 limit);
};
