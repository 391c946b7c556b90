#include "sounds/windows/SoundMenus.h"

#include "engine/ChannelSound.h"
#include "engine/ChannelTable.h"
#include "platform/FileDialogs.h"
#include "sounds/SoundChooser.h"
#include "sounds/windows/SoundsWindow.h"

#include <QActionGroup>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMenu>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

const char *const SoundMenus::fileFilter =
    "Sound Files (*.wav *.flac *.ogg *.oga *.opus *.mp3 *.aif *.aiff *.au *.caf *.w64);;All Files (*)";

SoundMenus::SoundMenus(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
}

void SoundMenus::addToMenu(QMenu *playback)
{
    QAction *sounds = playback->addAction(tr("S&ounds\u2026"));
    sounds->setObjectName(QStringLiteral("sounds"));
    connect(sounds, &QAction::triggered, this, &SoundMenus::showWindow);
}

QMenu *SoundMenus::menuFor(int channel)
{
    SoundChooser *chooser = m_services.chooser;
    const SoundChoice current = chooser->choice(channel);
    auto *menu = new QMenu(m_services.window);
    menu->setObjectName(QStringLiteral("soundMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setTitle(tr("%1 Sound").arg(QString::fromLatin1(ChannelTable::channel(channel).caption)));
    auto *group = new QActionGroup(menu);
    QMenu *channels = nullptr;
    QMenu *fresh = nullptr;
    using Group = SoundChoices::Option::Group;
    for (const SoundChoices::Option &option : SoundChoices::optionsFor(channel, current)) {
        QMenu *into = menu;
        if (option.group == Group::Channels)
            into = channels ? channels : (channels = menu->addMenu(tr("Other &Channels' Sounds")));
        else if (option.group == Group::New)
            into = fresh ? fresh : (fresh = menu->addMenu(tr("&New Sounds")));
        QAction *action = into->addAction(option.label);
        action->setCheckable(true);
        action->setChecked(option.choice == current);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, channel, choice = option.choice] { m_services.chooser->choose(channel, choice, m_services.window); });
        if (option.group == Group::Own)
            menu->addSeparator();
    }
    QAction *file = menu->addAction(tr("Your &File\u2026"));
    connect(file, &QAction::triggered, this, [this, channel] { chooseFile(channel, m_services.window); });
    menu->addSeparator();
    QAction *restore = menu->addAction(tr("&Restore"));
    restore->setEnabled(!current.isOwn());
    connect(restore, &QAction::triggered, this, [this, channel] { m_services.chooser->restore(channel, m_services.window); });
    QAction *all = menu->addAction(tr("S&ounds\u2026"));
    connect(all, &QAction::triggered, this, &SoundMenus::showWindow);
    return menu;
}

void SoundMenus::popUp(int channel, const QPoint &globalPosition)
{
    menuFor(channel)->popup(globalPosition);
}

void SoundMenus::showWindow()
{
    if (!m_window)
        m_window = new SoundsWindow(*m_services.chooser, [this](int channel, QWidget *parent) { return chooseFile(channel, parent); },
                                    m_services.window);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

SoundsWindow *SoundMenus::window() const
{
    return m_window;
}

bool SoundMenus::chooseFile(int channel, QWidget *parent)
{
    const SoundChoice current = m_services.chooser->choice(channel);
    const QString folder = current.kind() == SoundChoice::Kind::File
                               ? QFileInfo(current.value()).absolutePath()
                               : QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    const QString path = m_services.fileDialogs->openFile(parent, folder, QString::fromLatin1(fileFilter));
    if (path.isEmpty())
        return false;
    return choose(channel, SoundChoice::file(QFileInfo(path).absoluteFilePath()), parent);
}

// Measuring lets other events through, among them another start's choice for the same
// channel, which is then made first; the older choice must not follow and undo it.
bool SoundMenus::choose(int channel, const SoundChoice &choice, QWidget *parent)
{
    const quint64 asked = ++m_choicesAsked[channel];
    if (choice.kind() == SoundChoice::Kind::File)
        measureFirst(choice.value(), parent);
    if (m_choicesAsked.value(channel) != asked)
        return false;
    return m_services.chooser->choose(channel, choice, parent);
}

// The first time a file is opened its loudness is measured, which reads a long file for the
// better part of a second. That is done here on a worker thread, under a busy indication if it
// takes a while, so the window never freezes; the choice then finds the measure kept, and any
// message about the file comes from the choice as always.
void SoundMenus::measureFirst(const QString &path, QWidget *parent)
{
    QFutureWatcher<void> watcher;
    QEventLoop waiting;
    connect(&watcher, &QFutureWatcher<void>::finished, &waiting, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([path] {
        QString error;
        ChannelSound::fromFile(path, &error);
    }));
    if (watcher.isFinished())
        return;
    QProgressDialog progress(tr("Measuring the loudness of \u201c%1\u201d\u2026").arg(QFileInfo(path).fileName()), QString(),
                             0, 0, parent);
    progress.setWindowTitle(tr("Sounds"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    // The first value starts the clock after which the dialog shows itself.
    progress.setValue(0);
    connect(&watcher, &QFutureWatcher<void>::finished, &progress, &QProgressDialog::reset);
    waiting.exec();
}
