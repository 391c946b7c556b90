#pragma once

#include <QObject>
#include <QString>

// The program's icon in the desktop's notification area.
//
// Contract: UI thread only; no call blocks. available() answers whether the desktop has a
// notification area right now (it can appear or vanish while the program runs). show() and
// hide() put the icon there and take it away; isShown() says which was asked last, not
// whether a host actually displays it. activated() reports what the user did with the icon.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    enum class Activation {
        DoubleClick,
        // A single activation; hosts that never report double-clicks send only this.
        Trigger,
        // The context menu was requested; the icon shows its menu by itself.
        Context,
        Other
    };
    Q_ENUM(Activation)

    using QObject::QObject;
    ~TrayIcon() override = default;

    virtual bool available() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    virtual void setToolTip(const QString &text) = 0;

signals:
    void activated(TrayIcon::Activation reason);
};
