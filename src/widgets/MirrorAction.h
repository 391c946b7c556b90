#pragma once

#include <QAction>
#include <QList>

class QMenu;

// A menu entry that stands in a second menu for an action of the first: it shows the
// original's caption, state and shortcut, and choosing it chooses the original.
//
// Qt keeps one accessible item per action, owned by the first menu that showed it, so an
// action put into two menus reads to a screen reader in the second as hidden and as part
// of the first. A mirror is an action of its own, so each menu's entries are its own.
//
// UI thread only.
class MirrorAction : public QAction
{
public:
    MirrorAction(QAction *original, QObject *parent);

    // Puts a mirror of each of `originals` (separators included) into `menu`, in order,
    // before its entry `before`, or at its end without one.
    static void addMirrors(QMenu *menu, const QList<QAction *> &originals, QAction *before = nullptr);

private:
    void follow();

    QAction *m_original;
};
