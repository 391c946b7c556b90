#pragma once

#include <cstddef>
#include <vector>

// Keeps the summed mix under -1 dBFS without a click or a pump: a safety net that a mix at
// normal levels never touches.
//
// The signal is delayed by 4 ms. Each frame's peak asks for a gain; the smallest request of
// the last 20 ms is held, released exponentially over a quarter of a second, and smoothed by
// two 2 ms moving averages, so the gain has reached every request by the time its frame
// leaves the delay, and it never steps from one frame to the next. Audio thread only after
// construction, which allocates everything.
class LookAheadLimiter
{
public:
    explicit LookAheadLimiter(int sampleRate);

    void process(float *interleavedStereo, std::size_t frames) noexcept;
    // Frames by which the output lags the input.
    int latency() const { return m_delayFrames; }

private:
    void processIdle(float *interleavedStereo, std::size_t frames) noexcept;
    void processFrame(float *frame) noexcept;
    void becomeIdleIfSettled() noexcept;

    float m_threshold;
    float m_release;
    int m_average; // frames of each moving average
    double m_inverseAverage;
    int m_hold;    // frames over which the smallest request holds
    int m_delayFrames;

    std::vector<float> m_delay; // interleaved stereo ring
    int m_delayPosition = 0;

    // Requests below one in the hold window, smallest first, as a ring of (frame, gain).
    std::vector<long long> m_requestFrame;
    std::vector<float> m_requestGain;
    int m_requestFirst = 0;
    int m_requestCount = 0;
    long long m_frame = 0;

    float m_released = 1.0f;
    std::vector<float> m_firstAverage;
    std::vector<float> m_secondAverage;
    int m_averagePosition = 0;
    double m_firstSum;
    double m_secondSum;
    long long m_framesAtUnity = 0;
    bool m_idle = true;
};
