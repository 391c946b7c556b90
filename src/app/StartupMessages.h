#pragma once

#include "platform/UserMessages.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// The messages of the console and the night features, around a start. While the start
// does what it was asked (the console's load with its sounds, the preferences, the mix on
// the command line), their boxes are held back, so that the sound never waits for an
// answer; release() then shows them, in order and without waiting. From then on every
// message goes straight through.
//
// release() is the one place that shows what a start has to say, so a start without a
// window can send it elsewhere (to stderr) by giving other messages to show it.
//
// Contract: UI thread. A question is never held: its answer is needed, so it goes through
// at once and waits as usual.
class StartupMessages final : public UserMessages
{
public:
    // `shown` shows the messages; it must outlive this.
    explicit StartupMessages(UserMessages &shown);

    void inform(QWidget *parent, const QString &text) override;
    void notice(QWidget *parent, const QString &text) override;
    void warn(QWidget *parent, const QString &text) override;
    bool ask(QWidget *parent, const QString &text) override;
    SaveChoice askToSave(QWidget *parent, const QString &text) override;
    void showWithoutWaiting(QWidget *parent, Tone tone, const QString &text) override;

    // Shows what was held; does nothing the second time.
    void release();

private:
    struct Held
    {
        QPointer<QWidget> parent;
        Tone tone;
        QString text;
    };

    // True when the message was held for release().
    bool hold(QWidget *parent, Tone tone, const QString &text);

    UserMessages &m_shown;
    QList<Held> m_held;
    bool m_holding = true;
};
