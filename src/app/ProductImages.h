#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's pictures, built into the program: the icon (window and tray) and the
// product picture (the console's background, also shown small in the about window).
class ProductImages
{
public:
    static QIcon programIcon();
    // The product picture's own size, the console's client area.
    static QSize pictureSize();
    // The product picture drawn at `size` logical pixels for a screen of `devicePixelRatio`.
    static QPixmap picture(QSize size, qreal devicePixelRatio = 1.0);
};
