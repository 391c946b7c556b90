#include "app/AboutWindow.h"

#include "app/ProductImages.h"
#include "product/ProductInfo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QSize pictureSize(256, 154);
constexpr int emblemSize = 96;

// The product picture with the program's emblem on it, as on the box.
QPixmap productPicture(qreal devicePixelRatio)
{
    QPixmap pixmap = ProductImages::picture(pictureSize, devicePixelRatio);
    QPainter painter(&pixmap);
    const QRect emblem((pictureSize.width() - emblemSize) / 2, (pictureSize.height() - emblemSize) / 2, emblemSize,
                       emblemSize);
    ProductImages::programIcon().paint(&painter, emblem);
    return pixmap;
}

}

AboutWindow::AboutWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
    , m_command1(new QPushButton(tr("Take me there!"), this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString::fromUtf8(ProductInfo::nameWithVersion));

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(productPicture(devicePixelRatioF()));
    picture->setFixedSize(pictureSize);
    picture->setAccessibleName(tr("Picture of the Sonivale console"));

    auto *text = new QVBoxLayout;
    text->setSpacing(4);
    QLabel *name = addLine(QStringLiteral("Label1"), QString::fromUtf8(ProductInfo::nameWithVersion));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    text->addWidget(name);
    text->addSpacing(6);
    text->addWidget(addLine(QStringLiteral("Label2"), QString::fromUtf8(ProductInfo::makerLine)));
    text->addWidget(addLine(QStringLiteral("Label3"), QString::fromUtf8(ProductInfo::copyrightLine)));
    text->addWidget(addLine(QStringLiteral("Label4"), QString::fromUtf8(ProductInfo::licenceLine)));
    text->addWidget(addLine(QStringLiteral("Label5"), QString::fromUtf8(ProductInfo::webLine)));
    text->addStretch();

    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setAutoDefault(true);
    m_command1->setToolTip(QString::fromUtf8(ProductInfo::webPage));
    connect(m_command1, &QPushButton::clicked, this, &AboutWindow::webPageRequested);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_command1);
    text->addLayout(buttonRow);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(14);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addLayout(text);

    setFixedSize(sizeHint());
}

QPushButton *AboutWindow::webPageButton() const
{
    return m_command1;
}

QLabel *AboutWindow::addLine(const QString &name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
