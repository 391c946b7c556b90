#include "app/ContactWindow.h"

#include "product/ProductInfo.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char *const lightYellow = "background-color: rgb(255, 255, 192);";

}

ContactWindow::ContactWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
    , m_label1(new QLabel(this))
    , m_label2(new QPushButton(this))
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Contact Us"));

    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setText(QStringLiteral(
        "If you have a problem, query or a suggestion about this product, please contact us at "
        "the address below. Click below to open your mail client."));
    m_label1->setWordWrap(true);
    m_label1->setMargin(8);
    m_label1->setStyleSheet(QStringLiteral("QLabel { %1 color: black; }").arg(QString::fromLatin1(lightYellow)));

    // A flat button rather than a label, so the address takes the keyboard focus and
    // answers Enter and Space like a link.
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setText(QString::fromUtf8(ProductInfo::supportAddress));
    m_label2->setFlat(true);
    m_label2->setAutoDefault(true);
    m_label2->setCursor(Qt::PointingHandCursor);
    m_label2->setToolTip(tr("Write to us"));
    m_label2->setAccessibleDescription(tr("Opens your mail program with a new message to this address"));
    m_label2->setStyleSheet(QStringLiteral("QPushButton { %1 color: rgb(0, 0, 160); "
                                           "text-decoration: underline; border: none; padding: 6px; }"
                                           "QPushButton:focus { border: 1px dotted black; }")
                                .arg(QString::fromLatin1(lightYellow)));
    connect(m_label2, &QPushButton::clicked, this, &ContactWindow::mailRequested);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(m_label1);
    layout->addWidget(m_label2);

    setFixedSize(320, 150);
}

QLabel *ContactWindow::noteLabel() const
{
    return m_label1;
}

QPushButton *ContactWindow::addressLink() const
{
    return m_label2;
}
