#pragma once

#include "platform/AudioSinks.h"

// Sinks that come and go as the test says; unlisted until the test lists some.
class FakeAudioSinks final : public AudioSinks
{
    Q_OBJECT

public:
    void open() override { ++m_openCalls; }
    bool isListed() const override { return m_listed; }
    std::vector<AudioSink> sinks() const override { return m_sinks; }

    void list(std::vector<AudioSink> sinks)
    {
        m_sinks = std::move(sinks);
        m_listed = true;
        emit changed();
    }
    // As when the server is lost.
    void unlist()
    {
        m_sinks.clear();
        m_listed = false;
        emit changed();
    }

    int m_openCalls = 0;

private:
    std::vector<AudioSink> m_sinks;
    bool m_listed = false;
};
