#include "platform/QtUserMessages.h"

#include "product/ProductInfo.h"

#include <QMessageBox>

namespace {

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, QString::fromLatin1(ProductInfo::title), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}

void QtUserMessages::inform(QWidget *parent, const QString &text)
{
    show(parent, QMessageBox::NoIcon, text, QMessageBox::Ok);
}

void QtUserMessages::notice(QWidget *parent, const QString &text)
{
    show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

void QtUserMessages::warn(QWidget *parent, const QString &text)
{
    show(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

bool QtUserMessages::ask(QWidget *parent, const QString &text)
{
    return show(parent, QMessageBox::Information, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

UserMessages::SaveChoice QtUserMessages::askToSave(QWidget *parent, const QString &text)
{
    switch (show(parent, QMessageBox::Warning, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel)) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::GoBack;
    }
}
