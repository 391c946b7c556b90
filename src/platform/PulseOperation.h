#pragma once

#include <pulse/operation.h>

#include <utility>

// Owns one reference to a PulseAudio operation and releases it when it goes, so that no
// request made of the server leaks its operation, whether or not the request was made.
// The callback of a released operation still runs: releasing gives up only the means to
// cancel or poll it.
//
// Threads: made and released with the connection's lock held (or on its loop thread),
// like every call into libpulse.
class PulseOperation
{
public:
    // Takes over `operation`, which may be null: a request that could not be sent.
    explicit PulseOperation(pa_operation *operation = nullptr) noexcept
        : m_operation(operation)
    {
    }
    ~PulseOperation() { reset(); }

    PulseOperation(PulseOperation &&other) noexcept
        : m_operation(std::exchange(other.m_operation, nullptr))
    {
    }
    PulseOperation &operator=(PulseOperation &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_operation = std::exchange(other.m_operation, nullptr);
        }
        return *this;
    }
    PulseOperation(const PulseOperation &) = delete;
    PulseOperation &operator=(const PulseOperation &) = delete;

    // False when the request could not be sent (no connection, out of memory).
    explicit operator bool() const noexcept { return m_operation != nullptr; }

    // Releases at once an operation whose answer needs no waiting for; true when the
    // request could be sent.
    static bool sent(pa_operation *operation) noexcept { return static_cast<bool>(PulseOperation(operation)); }

    // Whether the server has yet to answer.
    bool isRunning() const noexcept
    {
        return m_operation && pa_operation_get_state(m_operation) == PA_OPERATION_RUNNING;
    }

    // Gives up the answer: its callback will not run.
    void cancel() noexcept
    {
        if (isRunning())
            pa_operation_cancel(m_operation);
    }

    void reset() noexcept
    {
        if (m_operation)
            pa_operation_unref(std::exchange(m_operation, nullptr));
    }

private:
    pa_operation *m_operation;
};
