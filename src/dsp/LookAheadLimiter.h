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
    void delayOnly(float *interleavedStereo, std::size_t frames) noexcept;
    void limitChunk(float *interleavedStereo, std::size_t frames) noexcept;
    void followRequests(std::size_t frames) noexcept;
    void closeHoldBlock() noexcept;
    void countFramesAtUnity(std::size_t frames) noexcept;
    void keepAverageHistories(std::size_t frames) noexcept;
    void enterDelay(const float *interleavedStereo, std::size_t frames) noexcept;
    void leaveDelay(std::size_t frames) noexcept;
    void becomeIdleIfSettled() noexcept;

    float m_threshold;
    float m_release;
    int m_average; // frames of each moving average
    double m_inverseAverage;
    int m_hold;    // frames over which the smallest request holds
    int m_delayFrames;

    // Interleaved stereo: the delayed frames, then room for one chunk behind them.
    std::vector<float> m_delay;
    // Per frame of a chunk: the requested gain, then the gain that is applied.
    std::vector<float> m_gains;

    // The smallest request of the hold, from the frames cut into blocks as long as the hold:
    // the smallest request of the current block so far, and for each position of the
    // previous block the smallest request from there to its end.
    std::vector<float> m_blockRequests;
    std::vector<float> m_laterInPreviousBlock;
    int m_blockPosition = 0;
    float m_smallestInBlock = 1.0f;

    float m_released = 1.0f;
    // The last inputs of each moving average, then room for one chunk behind them.
    std::vector<float> m_releasedHistory;
    std::vector<float> m_firstHistory;
    double m_firstSum;
    double m_secondSum;
    long long m_framesAtUnity = 0;
    bool m_idle = true;
};
