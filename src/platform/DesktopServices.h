#pragma once

#include <QString>
#include <QUrl>

// Hands documents and addresses to the desktop.
//
// Contract: UI thread only; never waits for the program that opens the target. The results
// say only whether the desktop accepted the request.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // Opens a file, a mailto: link or a web page with the program registered for it.
    virtual bool openUrl(const QUrl &url) = 0;
    // Shows the folder of `filePath` in the file manager, with the file selected where the
    // file manager can do that.
    virtual bool showInFolder(const QString &filePath) = 0;
};
