#include "widgets/MirrorAction.h"

#include <QMenu>

MirrorAction::MirrorAction(QAction *original, QObject *parent)
    : QAction(parent)
    , m_original(original)
{
    // The original's shortcut already works in its window; the mirror's only shows it, and
    // works while its own menu has the keyboard.
    setShortcutContext(Qt::WidgetShortcut);
    follow();
    connect(original, &QAction::changed, this, &MirrorAction::follow);
    connect(this, &QAction::triggered, original, [original] { original->trigger(); });
}

void MirrorAction::addMirrors(QMenu *menu, const QList<QAction *> &originals, QAction *before)
{
    for (QAction *original : originals)
        menu->insertAction(before, new MirrorAction(original, menu));
}

void MirrorAction::follow()
{
    setSeparator(m_original->isSeparator());
    setText(m_original->text());
    setIcon(m_original->icon());
    setToolTip(m_original->toolTip());
    setStatusTip(m_original->statusTip());
    setShortcut(m_original->shortcut());
    setCheckable(m_original->isCheckable());
    setChecked(m_original->isChecked());
    setEnabled(m_original->isEnabled());
    setVisible(m_original->isVisible());
}
