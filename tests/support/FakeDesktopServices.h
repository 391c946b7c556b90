#pragma once

#include "platform/DesktopServices.h"

#include <QList>
#include <QStringList>

// Records what the program hands to the desktop and answers with `result`.
class FakeDesktopServices final : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override;
    bool showInFolder(const QString &filePath) override;

    QList<QUrl> openedUrls;
    QStringList shownInFolder;
    bool result = true;
};
