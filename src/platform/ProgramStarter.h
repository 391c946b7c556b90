#pragma once

#include <QString>
#include <QStringList>

// Finds and starts other programs of the desktop.
//
// Contract: UI thread only; nothing waits for a started program. findProgram() answers the
// full path of an executable found on the search path, or empty. startDetached() runs the
// program directly with its arguments (no shell) and answers whether it could be started.
class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;

    virtual QString findProgram(const QString &name) const = 0;
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
};
