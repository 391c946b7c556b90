#include "app/PlayOnMenu.h"

#include "output/SinkChoice.h"

#include <QActionGroup>

PlayOnMenu::PlayOnMenu(SinkChoice &choice, QWidget *parent)
    : QMenu(tr("Play &On"), parent)
    , m_choice(choice)
    , m_group(new QActionGroup(this))
{
    setObjectName(QStringLiteral("playOn"));
    m_group->setExclusive(true);
    connect(&m_choice, &SinkChoice::entriesChanged, this, &PlayOnMenu::rebuild);
    rebuild();
}

void PlayOnMenu::rebuild()
{
    for (QAction *action : m_group->actions())
        delete action;
    for (const SinkChoice::Entry &entry : m_choice.entries()) {
        // A sink's description is shown as it is, an ampersand too.
        QAction *action = addAction(QString(entry.caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setCheckable(true);
        action->setChecked(entry.checked);
        action->setData(entry.name);
        m_group->addAction(action);
        // Chosen later, once the entries are as the choice has them. The entries may be made
        // anew while the choice is told, so the name is taken now.
        connect(action, &QAction::toggled, this, [this, name = entry.name](bool on) {
            if (on)
                QMetaObject::invokeMethod(this, [this, name] { m_choice.choose(name); }, Qt::QueuedConnection);
        });
    }
}
