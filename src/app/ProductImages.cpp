#include "app/ProductImages.h"

#include "product/ProductInfo.h"

#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library; nothing else refers to them, so the linker
// would drop them unless they are registered by name. Q_INIT_RESOURCE needs the global
// namespace, hence no anonymous namespace here.
static int initResources()
{
    Q_INIT_RESOURCE(resources);
    return 0;
}

static void registerResources()
{
    static const int registered = initResources();
    Q_UNUSED(registered);
}

QIcon ProductImages::programIcon()
{
    registerResources();
    return QIcon(QString::fromUtf8(ProductInfo::iconResource));
}

QSize ProductImages::pictureSize()
{
    return {769, 464};
}

QPixmap ProductImages::picture(QSize size, qreal devicePixelRatio)
{
    registerResources();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QString::fromUtf8(ProductInfo::pictureResource));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    return pixmap;
}
