#pragma once

#include "platform/FileDialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

// File dialogs that answer from a queue at once and remember what they were shown.
// An empty queue answers as a cancelled dialog does: with an empty path.
class ScriptedFileDialogs final : public FileDialogs
{
public:
    enum class Kind { Open, Save };

    struct Shown
    {
        Kind kind;
        QString folder;
        QString filter;
    };

    void answer(const QString &path) { m_answers.append(path); }

    QString openFile(QWidget *parent, const QString &folder, const QString &filter) override;
    QString saveFile(QWidget *parent, const QString &folder, const QString &filter) override;

    const QList<Shown> &shown() const { return m_shown; }

private:
    QString next(Kind kind, const QString &folder, const QString &filter);

    QStringList m_answers;
    QList<Shown> m_shown;
};
