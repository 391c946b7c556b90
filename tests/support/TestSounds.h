#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class SoundData;

// Small WAV files for tests, written with libsndfile.
namespace TestSounds {

// Writes a 16-bit WAV with `channels` channels; `sample(frame, channel)` gives values in -1..1.
bool writeWav(const QString &path, int sampleRate, int frames, int channels,
              const std::function<double(int frame, int channel)> &sample);

// The same in any libsndfile `format` (SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_FLAC |
// SF_FORMAT_PCM_24...).
bool writeSound(const QString &path, int format, int sampleRate, int frames, int channels,
                const std::function<double(int frame, int channel)> &sample);

// A sine of `hertz` at `amplitude` (0..1) on both channels, `frames` long.
bool writeSine(const QString &path, int sampleRate, int frames, double hertz, double amplitude);

// Writes a short stereo sine under every sound file name of the channel table into
// `folder`; channel n's file has a rate of `rateFor(n)`.
bool writeChannelSounds(const QString &folder, const std::function<int(int channel)> &rateFor);

// A second of steady Gaussian noise under every sound file name of the channel table, each
// channel from its own seed: the channels are uncorrelated, so their powers add.
bool writeChannelNoises(const QString &folder, int rate);

// A stereo 16-bit sine held in memory, `frames` long, both channels alike.
std::unique_ptr<SoundData> sineSound(int rate, double hertz, double amplitude, int frames);

// RMS of one channel of interleaved stereo frames [first, first + count).
double rms(const std::vector<float> &stereo, int channel, std::size_t first, std::size_t count);
double toDecibels(double ratio);

}
