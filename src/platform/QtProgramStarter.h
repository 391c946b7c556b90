#pragma once

#include "platform/ProgramStarter.h"

class QtProgramStarter final : public ProgramStarter
{
public:
    QString findProgram(const QString &name) const override;
    bool startDetached(const QString &program, const QStringList &arguments) override;
};
