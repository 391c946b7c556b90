#pragma once

#include <cmath>
#include <cstddef>

// Bends the rare peaks of a sound made of random events under a ceiling of -1.2 dBFS, so a
// chance pile-up never reaches the playback limiter, and leaves everything below a knee
// exactly as it is. Cheap enough for every sample on the audio thread.
class SoftCeiling
{
public:
    static constexpr float knee = 0.6f;
    static constexpr float ceiling = 0.87f;

    static float apply(float sample) noexcept
    {
        const float size = std::fabs(sample);
        if (size <= knee)
            return sample;
        // Rises with slope one at the knee and tends to the ceiling, never reaching it.
        const float over = size - knee;
        const float bent = knee + over * (ceiling - knee) / (ceiling - knee + over);
        return std::copysign(bent, sample);
    }

    static void apply(float *samples, std::size_t count) noexcept
    {
        for (std::size_t i = 0; i < count; ++i)
            samples[i] = apply(samples[i]);
    }
};
