#include "render/MixRenderer.h"

#include "engine/ChannelBuffer.h"
#include "engine/Mixer.h"
#include "render/MixSnapshot.h"
#include "render/RenderTarget.h"
#include "render/SoundFileWriter.h"

#include <QDir>

#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

namespace {

using Result = MixRenderer::Result;

Result failure(const RenderOptions &options, const QString &reason)
{
    return {Result::Status::Failed, QStringLiteral("The mix could not be rendered to \"%1\" (%2). Nothing was written.")
                                        .arg(QDir::toNativeSeparators(options.outputPath), reason)};
}

// A smooth rise from 0 to 1 over t in 0..1: no corner at either end for the ear to catch.
float raisedCosine(double t)
{
    return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(t, 0.0, 1.0)));
}

// The fade-in and fade-out of a file of `total` frames.
class Fades
{
public:
    Fades(qint64 fadeIn, qint64 fadeOut, qint64 total)
        : m_fadeIn(fadeIn)
        , m_fadeOut(fadeOut)
        , m_total(total)
    {
    }

    // Applies them to frames [first, first + count).
    void apply(float *stereo, qint64 first, qint64 count) const
    {
        if (first >= m_fadeIn && first + count <= m_total - m_fadeOut)
            return;
        for (qint64 i = 0; i < count; ++i) {
            const float gain = gainAt(first + i);
            stereo[2 * i] *= gain;
            stereo[2 * i + 1] *= gain;
        }
    }

private:
    float gainAt(qint64 frame) const
    {
        float gain = 1.0f;
        if (frame < m_fadeIn)
            gain *= raisedCosine((static_cast<double>(frame) + 0.5) / static_cast<double>(m_fadeIn));
        const qint64 left = m_total - frame;
        if (left <= m_fadeOut)
            gain *= raisedCosine((static_cast<double>(left) - 0.5) / static_cast<double>(m_fadeOut));
        return gain;
    }

    qint64 m_fadeIn;
    qint64 m_fadeOut;
    qint64 m_total;
};

// Cross-fades `tail`, the file's last frames, into `lead`, the frames that come just
// before its first, so that the file's last frame flows into its first.
//
// The level must hold through the blend. Two unrelated noises keep it with equal-power
// gains, two copies of the same sound with equal-sum gains; the ends of a mix of loops lie
// anywhere between (a channel whose loop fits the length a whole number of times meets
// itself). So the gains follow the ends' measured correlation r: with a smooth rise s, the
// gains are g(1 - s) and g s, where g keeps (1 - s)^2 + s^2 + 2 r s (1 - s) at one.
void blendIntoLead(std::vector<float> &tail, const std::vector<float> &lead)
{
    double both = 0.0;
    double tailPower = 0.0;
    double leadPower = 0.0;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        both += static_cast<double>(tail[i]) * lead[i];
        tailPower += static_cast<double>(tail[i]) * tail[i];
        leadPower += static_cast<double>(lead[i]) * lead[i];
    }
    const double power = std::sqrt(tailPower * leadPower);
    const double r = power > 0.0 ? std::clamp(both / power, 0.0, 1.0) : 0.0;
    const std::size_t frames = tail.size() / 2;
    for (std::size_t j = 0; j < frames; ++j) {
        const double s = raisedCosine((static_cast<double>(j) + 0.5) / static_cast<double>(frames));
        const double g = 1.0 / std::sqrt((1.0 - s) * (1.0 - s) + s * s + 2.0 * r * s * (1.0 - s));
        const auto outgoing = static_cast<float>(g * (1.0 - s));
        const auto incoming = static_cast<float>(g * s);
        tail[2 * j] = tail[2 * j] * outgoing + lead[2 * j] * incoming;
        tail[2 * j + 1] = tail[2 * j + 1] * outgoing + lead[2 * j + 1] * incoming;
    }
}

// The snapshot's channels in a mixer of their own, at the file's rate.
class OfflineMix
{
public:
    OfflineMix(const MixSnapshot &snapshot, int sampleRate)
        : m_mixer(sampleRate, snapshot.drift().seed)
    {
        m_mixer.drift().setDepth(snapshot.drift().depth);
        for (int number = 1; number <= ChannelTable::channelCount; ++number) {
            const MixSnapshot::Channel &channel = snapshot.channel(number);
            if (!channel.sound)
                continue;
            auto buffer = std::make_unique<ChannelBuffer>(
                channel.sound, ChannelSound::seedFor(snapshot.soundSeed(), static_cast<std::uint64_t>(number)));
            buffer->setOffline();
            buffer->setVolume(channel.volume);
            buffer->setPan(channel.pan);
            buffer->setFrequency(channel.frequency);
            buffer->play();
            std::uint64_t ticket = 0;
            m_mixer.exchange(number, buffer.get(), &ticket);
            m_buffers.push_back(std::move(buffer));
        }
        // The limiter's delay line holds silence at first; the file starts with the sound.
        std::vector<float> discard(2 * static_cast<std::size_t>(m_mixer.latency()));
        m_mixer.render(discard.data(), static_cast<std::size_t>(m_mixer.latency()));
    }

    void render(float *stereo, std::size_t frames) { m_mixer.render(stereo, frames); }

private:
    std::vector<std::unique_ptr<ChannelBuffer>> m_buffers;
    Mixer m_mixer;
};

// One render's passage through the writer: cancel checks, writes and progress.
class Delivery
{
public:
    Delivery(const RenderOptions &options, SoundFileWriter &writer, const std::atomic<bool> &cancel,
             const MixRenderer::Progress &progress, qint64 work)
        : m_options(options)
        , m_writer(writer)
        , m_cancel(cancel)
        , m_progress(progress)
        , m_work(work)
    {
    }

    // Counts `frames` as done; nothing when the render goes on, or how it ended.
    std::optional<Result> advance(qint64 frames)
    {
        m_done += frames;
        if (m_progress)
            m_progress(m_done, m_work);
        if (!m_cancel.load(std::memory_order_relaxed))
            return std::nullopt;
        m_writer.abandon();
        return Result{Result::Status::Cancelled, {}};
    }

    std::optional<Result> write(const float *stereo, qint64 frames)
    {
        if (m_cancel.load(std::memory_order_relaxed) || m_writer.write(stereo, static_cast<std::size_t>(frames)))
            return advance(frames);
        const QString why = m_writer.errorString();
        m_writer.abandon();
        return failure(m_options, why);
    }

private:
    const RenderOptions &m_options;
    SoundFileWriter &m_writer;
    const std::atomic<bool> &m_cancel;
    const MixRenderer::Progress &m_progress;
    qint64 m_work;
    qint64 m_done = 0;
};

}

MixRenderer::Result MixRenderer::render(const MixSnapshot &snapshot, const RenderOptions &options,
                                        SoundFileWriter &writer, const std::atomic<bool> &cancel,
                                        const Progress &progress)
{
    if (const QString problem = options.problem(); !problem.isEmpty())
        return failure(options, problem);
    if (snapshot.isSilent())
        return failure(options, QStringLiteral("no channel is switched on, so there is nothing to hear"));

    RenderTarget target(options.outputPath);
    QString reason;
    if (!target.create(&reason))
        return failure(options, reason);
    const qint64 total = options.totalFrames();
    if (!writer.open(target.fileDescriptor(), RenderFormat::of(options.format), options.sampleRate, total)) {
        writer.abandon();
        return failure(options, writer.errorString());
    }

    OfflineMix mix(snapshot, options.sampleRate);
    const qint64 crossfade = options.loopCrossfadeFrames();
    Delivery delivery(options, writer, cancel, progress, total + crossfade);

    // A seamless loop's file ends in what comes just before its beginning: the mix is
    // rendered from `crossfade` frames earlier, and those frames fade in under the file's
    // last ones.
    std::vector<float> lead(2 * static_cast<std::size_t>(crossfade));
    for (qint64 done = 0; done < crossfade;) {
        const qint64 frames = std::min<qint64>(blockFrames, crossfade - done);
        mix.render(lead.data() + 2 * done, static_cast<std::size_t>(frames));
        done += frames;
        if (std::optional<Result> end = delivery.advance(frames))
            return *end;
    }

    // The file up to the blend goes out block by block as it is mixed.
    const Fades fades(options.fadeInFrames(), options.fadeOutFrames(), total);
    std::vector<float> block(2 * blockFrames);
    for (qint64 position = 0; position < total - crossfade;) {
        const qint64 frames = std::min<qint64>(blockFrames, total - crossfade - position);
        mix.render(block.data(), static_cast<std::size_t>(frames));
        fades.apply(block.data(), position, frames);
        if (std::optional<Result> end = delivery.write(block.data(), frames))
            return *end;
        position += frames;
    }

    if (crossfade > 0) {
        std::vector<float> tail(lead.size());
        mix.render(tail.data(), static_cast<std::size_t>(crossfade));
        blendIntoLead(tail, lead);
        if (std::optional<Result> end = delivery.write(tail.data(), crossfade))
            return *end;
    }
    if (!writer.finish())
        return failure(options, writer.errorString());
    if (!target.commit(&reason))
        return failure(options, reason);
    return {};
}
