#include "platform/windows/QtUserMessages.h"

#include "product/ProductInfo.h"

#include <QMessageBox>

namespace {

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, QString::fromLatin1(ProductInfo::title), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::Icon iconOf(UserMessages::Tone tone)
{
    switch (tone) {
    case UserMessages::Tone::Information:
        return QMessageBox::Information;
    case UserMessages::Tone::Warning:
        return QMessageBox::Warning;
    case UserMessages::Tone::Plain:
        break;
    }
    return QMessageBox::NoIcon;
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

void QtUserMessages::showWithoutWaiting(QWidget *parent, Tone tone, const QString &text)
{
    // A window in the tray is nothing to stand over; the window manager then places the box
    // on its own rather than beside a window that is not there.
    QWidget *owner = parent && parent->isVisible() ? parent : nullptr;
    auto *box = new QMessageBox(iconOf(tone), QString::fromLatin1(ProductInfo::title), text, QMessageBox::Ok, owner);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The program ends with the console, whether or not a box is still open.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->show();
}
