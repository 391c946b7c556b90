#pragma once

#include "usersound/LoopPlan.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class FileDecoder;
class LiveSound;
class LoudnessCache;
class SoundFileOpener;

// A user's own sound file, checked and measured, ready to be streamed by any number of
// channels and renders: what every stream of it shares (its loop, its gain, the frames its
// loop fades into). Immutable but for the flag that a stream raises when the file has gone.
//
// A stream holds at most a few seconds of the sound, whatever the file's length: its ring
// (about four seconds, never more than 8 MB) and the file's loop head (at most three seconds)
// make the memory a channel needs.
class UserSoundFile
{
public:
    // The built-in sounds' loudness, at which every user's sound plays.
    static constexpr double targetLoudness = -21.0;
    // No sample of a user's sound goes past this (-1 dBFS).
    static constexpr double peakCeiling = 0.891;
    // A sound is raised by at most this many decibels, however quiet it is.
    static constexpr double largestRaise = 40.0;
    static constexpr double ringSeconds = 4.0;

    // What the files are opened, read ahead and measured with.
    struct Services
    {
        const SoundFileOpener &opener;
        FileDecoder &decoder;
        LoudnessCache &cache;

        // The program's own: libsndfile, the one decoder thread, the cache in the user's
        // cache folder.
        static const Services &standard();
    };

    // Any thread but the audio thread: checks the file at `path`, plans its loop and measures
    // its loudness (or finds it in the cache). Null with `error` set to a one-line message
    // naming the file and the reason when it cannot be played.
    static std::shared_ptr<const UserSoundFile> open(const QString &path, QString *error, const Services &services);

    const QString &path() const { return m_path; }
    int sampleRate() const { return m_sampleRate; }
    std::int64_t frames() const { return m_frames; }
    const LoopPlan &loop() const { return m_loop; }
    // The gain that brings the file to the target loudness, held under the peak ceiling.
    float gain() const { return m_gain; }

    // Any thread but the audio thread: a new stream of the sound, from a point of its loop
    // drawn from `seed`. A live stream is read ahead by the decoder; an offline one reads
    // the file itself as it is played, for a render that runs faster than real time. The
    // first frames are read before it returns. A file that has gone gives a silent stream.
    std::unique_ptr<LiveSound> stream(std::uint64_t seed, bool offline) const;

    // True once a stream found the file gone or unreadable.
    bool isLost() const { return m_lost->load(std::memory_order_acquire); }

private:
    UserSoundFile(QString path, const Services &services);

    QString m_path;
    Services m_services;
    int m_sampleRate = 0;
    std::int64_t m_frames = 0;
    LoopPlan m_loop;
    float m_gain = 1.0f;
    std::shared_ptr<const std::vector<float>> m_head;
    std::shared_ptr<std::atomic<bool>> m_lost = std::make_shared<std::atomic<bool>>(false);
};
