#pragma once

#include "platform/SystemVolume.h"

#include <QList>

// Remembers every value the master volume sends; opens or fails as told.
class FakeSystemVolume final : public SystemVolume
{
    Q_OBJECT

public:
    explicit FakeSystemVolume(bool opens = true)
        : m_opens(opens)
    {
    }

    bool open() override
    {
        ++m_openCalls;
        return m_opens;
    }

    bool setVolume(quint32 value) override
    {
        m_sent.append(value);
        return m_opens;
    }

    QList<quint32> m_sent;
    int m_openCalls = 0;

private:
    bool m_opens;
};
