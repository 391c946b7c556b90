#include "ScriptedFileDialogs.h"

QString ScriptedFileDialogs::openFile(QWidget *, const QString &folder, const QString &filter)
{
    return next(Kind::Open, folder, filter);
}

QString ScriptedFileDialogs::saveFile(QWidget *, const QString &folder, const QString &filter)
{
    return next(Kind::Save, folder, filter);
}

QString ScriptedFileDialogs::next(Kind kind, const QString &folder, const QString &filter)
{
    m_shown.append({kind, folder, filter});
    return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
}
