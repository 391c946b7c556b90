#include "app/AppLifecycle.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

AppLifecycle::AppLifecycle(std::function<void()> quit, QObject *parent)
    : QObject(parent)
    , m_quit(std::move(quit))
{
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(this);
}

AppLifecycle::~AppLifecycle()
{
    qApp->removeEventFilter(this);
}

void AppLifecycle::watchConsole(QWidget *console)
{
    m_console = console;
    connect(console, &QObject::destroyed, this, [this] {
        m_consoleClosed = true;
        scheduleCheck();
    });
}

void AppLifecycle::exitProgram()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (countsAsOpenWindow(window) && window != m_console && !window->close())
            return;
    }
    if (m_beforeExit)
        m_beforeExit();
    if (m_console && !m_consoleClosed)
        m_console->close();
    quitOnce();
}

bool AppLifecycle::consoleClosed() const
{
    return m_consoleClosed;
}

bool AppLifecycle::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched == m_console) {
        m_consoleClosed = true;
        scheduleCheck();
    } else if (event->type() == QEvent::Hide && watched->isWidgetType()
               && static_cast<QWidget *>(watched)->isWindow()) {
        scheduleCheck();
    }
    return false;
}

void AppLifecycle::scheduleCheck()
{
    // The closing window is still visible while its close and hide events are delivered;
    // the check waits until they are done.
    QMetaObject::invokeMethod(this, &AppLifecycle::quitIfDone, Qt::QueuedConnection);
}

void AppLifecycle::quitIfDone()
{
    if (m_consoleClosed && !anotherWindowOpen())
        quitOnce();
}

void AppLifecycle::quitOnce()
{
    if (m_quitting)
        return;
    m_quitting = true;
    m_quit();
}

bool AppLifecycle::countsAsOpenWindow(const QWidget *widget)
{
    // Menus, tooltips and the XEmbed tray icon's own window are top-level too; Qt marks
    // the windows that should keep a program alive with WA_QuitOnClose.
    const Qt::WindowType type = widget->windowType();
    return widget->isVisible() && (type == Qt::Window || type == Qt::Dialog)
        && widget->testAttribute(Qt::WA_QuitOnClose);
}

bool AppLifecycle::anotherWindowOpen() const
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window != m_console && countsAsOpenWindow(window))
            return true;
    }
    return false;
}
