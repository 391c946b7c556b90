#include "TestSounds.h"

#include "engine/ChannelTable.h"
#include "engine/SoundData.h"

#include <QDir>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace TestSounds {

bool writeWav(const QString &path, int sampleRate, int frames, int channels,
              const std::function<double(int, int)> &sample)
{
    return writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, sampleRate, frames, channels, sample);
}

bool writeSound(const QString &path, int format, int sampleRate, int frames, int channels,
                const std::function<double(int, int)> &sample)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<double> data(static_cast<std::size_t>(frames * channels));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            data[static_cast<std::size_t>(f * channels + c)] = sample(f, c);
    const sf_count_t written = sf_writef_double(file, data.data(), frames);
    sf_close(file);
    return written == frames;
}

bool writeSine(const QString &path, int sampleRate, int frames, double hertz, double amplitude)
{
    return writeWav(path, sampleRate, frames, 2, [=](int frame, int) {
        return amplitude * std::sin(2.0 * M_PI * hertz * frame / sampleRate);
    });
}

bool writeChannelSounds(const QString &folder, const std::function<int(int)> &rateFor)
{
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const QString path = ChannelTable::soundFilePath(folder, ChannelTable::channel(channel).soundFile);
        if (!writeSine(path, rateFor(channel), 4000, 441.0, 0.25))
            return false;
    }
    return true;
}

bool writeChannelNoises(const QString &folder, int rate)
{
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        std::mt19937 random(static_cast<unsigned>(channel));
        std::normal_distribution<double> noise(0.0, 0.15);
        const QString path = ChannelTable::soundFilePath(folder, ChannelTable::channel(channel).soundFile);
        if (!writeWav(path, rate, rate, 2, [&](int, int) { return std::clamp(noise(random), -1.0, 1.0); }))
            return false;
    }
    return true;
}

std::unique_ptr<SoundData> sineSound(int rate, double hertz, double amplitude, int frames)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(32767.0 * amplitude * std::sin(2.0 * M_PI * hertz * i / rate)));
        samples[2 * static_cast<std::size_t>(i)] = v;
        samples[2 * static_cast<std::size_t>(i) + 1] = v;
    }
    return SoundData::fromFrames(samples, rate);
}

double rms(const std::vector<float> &stereo, int channel, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double v = stereo[2 * i + static_cast<std::size_t>(channel)];
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(count));
}

double toDecibels(double ratio)
{
    return 20.0 * std::log10(ratio);
}

}
