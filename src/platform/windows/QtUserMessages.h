#pragma once

#include "platform/UserMessages.h"

class QtUserMessages final : public UserMessages
{
public:
    void inform(QWidget *parent, const QString &text) override;
    void notice(QWidget *parent, const QString &text) override;
    void warn(QWidget *parent, const QString &text) override;
    bool ask(QWidget *parent, const QString &text) override;
    SaveChoice askToSave(QWidget *parent, const QString &text) override;
    void showWithoutWaiting(QWidget *parent, Tone tone, const QString &text) override;
};
