#include "FakeDesktopServices.h"

bool FakeDesktopServices::openUrl(const QUrl &url)
{
    openedUrls.append(url);
    return result;
}

bool FakeDesktopServices::showInFolder(const QString &filePath)
{
    shownInFolder.append(filePath);
    return result;
}
