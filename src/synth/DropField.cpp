#include "synth/DropField.h"

#include "synth/WideLoops.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kClickSeconds = 0.0006;
constexpr double kShortestRingSeconds = 0.003;
constexpr double kRingGrowthSeconds = 0.012;
// Bubbles behind a drop shrink as they ring, so the pitch glides upward a little.
constexpr double kPitchGlide = 0.25;
// With either polarity, eight different drops of each of 64 sizes, a drop's pitch moving
// by less than a semitone from one size to the next. The takes of a size start their rings
// at phases an eighth of a turn apart from a random first one, so that, with both
// polarities, they stand evenly round the circle: few as they are, their spectra then add
// up to just what drops of all phases would make, down to the faint thump below the ring.
constexpr std::size_t kSizes = 64;
constexpr std::size_t kTakes = 4;
// The tone's kernel reaches this many frames either side of a sample; a smooth response
// has all but nothing left so far out.
constexpr int kToneReach = 32;
constexpr int kToneGrid = 4096;
// A drop ends where it has fallen for good this far below its peak (a hundredth): what
// would follow is less than a ten-thousandth of its energy.
constexpr double kTail = 0.01;
// A drop whose peak would pass this share of the ceiling is eased towards it.
constexpr double kKnee = 0.6;
// Drops are started a stretch at a time, however long the block asked for.
constexpr std::size_t kChunk = 256;
// Room for every drop that can ring at once or start within a stretch, even in a burst at
// three times the rate.
constexpr double kBurst = 3.0;
constexpr std::size_t kSpareDrops = 16;

// A drop of `size` whose ring starts at `angle`.
std::vector<double> drop(double size, double angle, const DropStyle &style, double sampleRate, Random &random)
{
    const double pitch = style.highestPitchHertz * std::pow(style.lowestPitchHertz / style.highestPitchHertz, size);
    const double ringSeconds = kShortestRingSeconds + kRingGrowthSeconds * size;
    const auto length = static_cast<std::size_t>(6.0 * ringSeconds * sampleRate);
    std::vector<double> samples(length);
    double previousNoise = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / sampleRate;
        const double glide = 1.0 + kPitchGlide * (1.0 - std::exp(-time / ringSeconds));
        angle += 2.0 * std::numbers::pi * pitch * glide / sampleRate;
        const double onset = std::min(1.0, time / 0.0005);
        const double ring = style.ringLevel * onset * std::exp(-time / ringSeconds) * std::sin(angle);
        // Differenced noise: the click is bright but carries no low thump.
        const double noise = random.gaussian();
        const double click = style.clickLevel * std::exp(-time / kClickSeconds) * (noise - previousNoise);
        previousNoise = noise;
        samples[i] = ring + click;
    }
    return samples;
}

// The impulse response of `tone` as a zero-phase filter, windowed to kToneReach frames
// either side.
std::vector<double> toneKernel(const NoiseTable::Response &tone, double sampleRate)
{
    std::vector<double> gains(kToneGrid / 2 + 1);
    for (std::size_t bin = 1; bin < gains.size(); ++bin)
        gains[bin] = tone(static_cast<double>(bin) * sampleRate / kToneGrid);
    gains[0] = gains[1];
    std::vector<double> kernel(2 * kToneReach + 1);
    for (int n = -kToneReach; n <= kToneReach; ++n) {
        double sum = gains[0] + (n % 2 == 0 ? 1.0 : -1.0) * gains.back();
        for (std::size_t bin = 1; bin + 1 < gains.size(); ++bin)
            sum += 2.0 * gains[bin] * std::cos(2.0 * std::numbers::pi * static_cast<double>(bin) * n / kToneGrid);
        const double window = 0.5 + 0.5 * std::cos(std::numbers::pi * n / (kToneReach + 1));
        kernel[static_cast<std::size_t>(n + kToneReach)] = window * sum / kToneGrid;
    }
    return kernel;
}

float peakOf(const std::vector<float> &samples)
{
    float peak = 0.0f;
    for (const float sample : samples)
        peak = std::max(peak, std::fabs(sample));
    return peak;
}

// `samples` through the kernel, starting kToneReach frames early so nothing is cut, and
// ending with the tail.
std::vector<float> toned(const std::vector<double> &samples, const std::vector<double> &kernel)
{
    const auto length = static_cast<std::ptrdiff_t>(samples.size());
    std::vector<float> result(samples.size() + 2 * kToneReach);
    for (std::ptrdiff_t out = 0; out < static_cast<std::ptrdiff_t>(result.size()); ++out) {
        double sum = 0.0;
        for (std::ptrdiff_t tap = 0; tap < static_cast<std::ptrdiff_t>(kernel.size()); ++tap) {
            const std::ptrdiff_t in = out - tap;
            if (in >= 0 && in < length)
                sum += kernel[static_cast<std::size_t>(tap)] * samples[static_cast<std::size_t>(in)];
        }
        result[static_cast<std::size_t>(out)] = static_cast<float>(sum);
    }
    const float peak = peakOf(result);
    const auto audible = [&](float sample) { return std::fabs(sample) > kTail * peak; };
    result.erase(std::find_if(result.rbegin(), result.rend(), audible).base(), result.end());
    return result;
}

}

DropField::DropField(const DropStyle &style, const NoiseTable::Response &tone, double level, double ceiling,
                     double sampleRate, Random &random)
    : m_style(style)
    , m_level(level)
    , m_ceiling(ceiling)
    , m_framesPerDrop(sampleRate / style.dropsPerSecond)
    , m_random(random.next())
{
    const std::vector<double> kernel = toneKernel(tone, sampleRate);
    std::size_t longest = 0;
    for (std::size_t index = 0; index < kSizes; ++index) {
        const double size = std::pow((static_cast<double>(index) + 0.5) / kSizes, style.sizeSkew);
        const double firstAngle = random.phase();
        for (std::size_t take = 0; take < kTakes; ++take) {
            const double angle = firstAngle + std::numbers::pi * static_cast<double>(take) / kTakes;
            const std::vector<float> samples = toned(drop(size, angle, style, sampleRate, random), kernel);
            m_shapes.push_back({m_samples.size(), samples.size(), static_cast<float>(size), peakOf(samples)});
            m_samples.insert(m_samples.end(), samples.begin(), samples.end());
            longest = std::max(longest, samples.size());
        }
    }
    m_samples.shrink_to_fit();
    const double ringing = kBurst * static_cast<double>(longest + kChunk) / m_framesPerDrop;
    m_drops.resize(static_cast<std::size_t>(std::ceil(ringing)) + kSpareDrops);
    m_untilNext = -std::log(1.0 - m_random.uniform()) * m_framesPerDrop;
}

void DropField::addTo(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t first = 0; first < frames; first += kChunk) {
        const std::size_t count = std::min(kChunk, frames - first);
        startDrops(count);
        mix(left + first, right + first, count);
    }
}

WIDE_LOOPS void DropField::mix(float *left, float *right, std::size_t frames) noexcept
{
    std::size_t index = 0;
    while (index < m_ringing) {
        Drop &drop = m_drops[index];
        const std::size_t count = std::min(frames - drop.delay, drop.remaining);
        const float *from = drop.samples;
        float *toLeft = left + drop.delay;
        float *toRight = right + drop.delay;
        for (std::size_t i = 0; i < count; ++i) {
            toLeft[i] += drop.leftGain * from[i];
            toRight[i] += drop.rightGain * from[i];
        }
        drop.samples += count;
        drop.remaining -= count;
        drop.delay = 0;
        if (drop.remaining == 0)
            drop = m_drops[--m_ringing];
        else
            ++index;
    }
}

void DropField::startDrops(std::size_t frames) noexcept
{
    const auto end = static_cast<double>(frames);
    while (m_untilNext < end) {
        start(static_cast<std::size_t>(m_untilNext));
        // Exponential gaps: a Poisson stream, as if each drop fell at a uniformly random moment.
        m_untilNext += -std::log(1.0 - m_random.uniform()) * m_framesPerDrop;
    }
    m_untilNext -= end;
}

void DropField::start(std::size_t delay) noexcept
{
    const auto size = std::min(kSizes - 1, static_cast<std::size_t>(m_random.uniform() * kSizes));
    const std::uint64_t draw = m_random.next();
    const double distance = std::pow(10.0, -m_random.uniform(0.0, m_style.distanceSpreadDecibels) / 20.0);
    const double place = m_style.width * m_random.uniform(-1.0, 1.0);
    // Every drop is drawn, whether or not there is room for it, so a busy moment does not
    // change the drops that follow.
    if (m_ringing == m_drops.size())
        return;
    const Shape &shape = m_shapes[size * kTakes + draw % kTakes];
    const double polarity = (draw >> 32) & 1 ? -1.0 : 1.0;
    const double angle = (place + 1.0) * std::numbers::pi / 4.0;
    const double leftGain = std::cos(angle);
    const double rightGain = std::sin(angle);
    double gain = m_level * (0.25 + 0.75 * shape.size) * distance;
    const double peak = gain * shape.peak * std::max(leftGain, rightGain);
    if (peak > 0.0)
        gain *= eased(peak) / peak;
    m_drops[m_ringing++] = {m_samples.data() + shape.first, shape.length, delay,
                            static_cast<float>(polarity * gain * leftGain), static_cast<float>(polarity * gain * rightGain)};
}

double DropField::eased(double peak) const noexcept
{
    const double knee = kKnee * m_ceiling;
    if (peak <= knee)
        return peak;
    const double room = m_ceiling - knee;
    return knee + room * std::tanh((peak - knee) / room);
}
