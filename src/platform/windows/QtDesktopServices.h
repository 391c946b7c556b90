#pragma once

#include "platform/DesktopServices.h"

class QtDesktopServices final : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override;
    bool showInFolder(const QString &filePath) override;
};
