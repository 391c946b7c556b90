#include "usersound/UserSoundFile.h"

#include "usersound/FileDecoder.h"
#include "usersound/FileFeed.h"
#include "usersound/LoudnessCache.h"
#include "usersound/LoudnessMeter.h"
#include "usersound/SndFileOpener.h"
#include "usersound/SoundFileReader.h"
#include "usersound/StreamedSound.h"

#include <QFileInfo>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr std::int64_t largestRing = std::int64_t{1} << 20;
// What a new stream reads before it is handed over, so that it starts with sound.
constexpr double firstSeconds = 0.1;

// The sound of a file that went before its stream could open it: silence, until the
// channel's owner sees the file lost and plays something else.
class SilentSound final : public LiveSound
{
public:
    explicit SilentSound(int rate) : m_rate(rate) {}
    int ownRate() const noexcept override { return m_rate; }
    void generate(float *left, float *right, std::size_t frames) noexcept override
    {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
    }

private:
    int m_rate;
};

QString message(const QString &path, const QString &reason)
{
    return QStringLiteral("\"%1\" cannot be played: %2.").arg(path, reason);
}

float gainFor(const LoudnessMeter::Measure &measure)
{
    const double toTarget = std::pow(10.0, (UserSoundFile::targetLoudness - measure.integrated) / 20.0);
    const double ceiling = measure.peak > 0.0 ? UserSoundFile::peakCeiling / measure.peak : toTarget;
    return static_cast<float>(std::min({toTarget, ceiling, std::pow(10.0, UserSoundFile::largestRaise / 20.0)}));
}

}

const UserSoundFile::Services &UserSoundFile::Services::standard()
{
    static const SndFileOpener opener;
    static LoudnessCache cache(LoudnessCache::standardFilePath());
    static const Services services{opener, FileDecoder::shared(), cache};
    return services;
}

UserSoundFile::UserSoundFile(QString path, const Services &services)
    : m_path(std::move(path))
    , m_services(services)
{
}

std::shared_ptr<const UserSoundFile> UserSoundFile::open(const QString &path, QString *error, const Services &services)
{
    QString reason;
    std::unique_ptr<SoundFileReader> reader = services.opener.open(path, &reason);
    if (!reader) {
        *error = message(path, reason);
        return nullptr;
    }
    const QString unreadable = QStringLiteral("the file could not be read to its end");
    std::shared_ptr<UserSoundFile> file(new UserSoundFile(path, services));
    file->m_sampleRate = reader->sampleRate();
    file->m_frames = reader->frames();
    const QFileInfo info(path);
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    std::optional<LoudnessMeter::Measure> measure = services.cache.find(path, info.size(), modified);
    if (!measure) {
        measure = LoudnessMeter::measure(*reader);
        if (!measure) {
            *error = message(path, unreadable);
            return nullptr;
        }
        services.cache.store(path, info.size(), modified, *measure);
    }
    if (!std::isfinite(measure->integrated)) {
        *error = message(path, QStringLiteral("the file is silent"));
        return nullptr;
    }
    file->m_gain = gainFor(*measure);
    const std::optional<LoopPlan> loop = LoopPlan::plan(*reader);
    if (!loop) {
        *error = message(path, unreadable);
        return nullptr;
    }
    file->m_loop = *loop;
    auto head = std::make_shared<std::vector<float>>(static_cast<std::size_t>(2 * loop->fade));
    if (loop->fade > 0 && (!reader->seek(0) || reader->read(head->data(), loop->fade) != loop->fade)) {
        *error = message(path, unreadable);
        return nullptr;
    }
    file->m_head = std::move(head);
    return file;
}

std::unique_ptr<LiveSound> UserSoundFile::stream(std::uint64_t seed, bool offline) const
{
    QString reason;
    std::unique_ptr<SoundFileReader> reader = m_services.opener.open(m_path, &reason);
    if (!reader) {
        m_lost->store(true, std::memory_order_release);
        return std::make_unique<SilentSound>(m_sampleRate);
    }
    // Any point of the loop before its fade, so that every start begins with the file as it is.
    const std::int64_t starts = std::max<std::int64_t>(1, m_loop.length() - m_loop.fade);
    const std::int64_t first = m_loop.start + static_cast<std::int64_t>(seed % static_cast<std::uint64_t>(starts));
    const auto wanted = static_cast<std::uint64_t>(std::llround(ringSeconds * m_sampleRate));
    const auto ringFrames = std::min(largestRing, static_cast<std::int64_t>(std::bit_ceil(wanted)));
    auto feed = std::make_shared<FileFeed>(std::move(reader), m_loop, m_gain, m_head, 2 * ringFrames, first, m_lost);
    feed->topUp(2 * std::llround(firstSeconds * m_sampleRate));
    m_services.decoder.add(feed);
    return std::make_unique<StreamedSound>(std::move(feed), m_sampleRate, offline, m_services.decoder);
}
