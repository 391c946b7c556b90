// A live stream writes what its sound makes, each side where it belongs, block after block
// and round the ring, and never over what the reader may still read: a sound made doubled as
// it comes, one made at its own rate with every frame kept between the new ones.

#include "engine/LiveStream.h"

#include "synth/LiveSound.h"

#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// Both sides a known, different count of 16-bit steps for every frame made.
class CountingSound final : public LiveSound
{
public:
    explicit CountingSound(bool doubled) : m_doubled(doubled) {}

    int rate() const noexcept override { return m_doubled ? doubledRate : sampleRate; }
    void generate(float *left, float *right, std::size_t frames) noexcept override
    {
        for (std::size_t i = 0; i < frames; ++i, ++m_made) {
            left[i] = static_cast<float>(leftAt(m_made)) / 32768.0f;
            right[i] = static_cast<float>(rightAt(m_made)) / 32768.0f;
        }
    }

    static int leftAt(std::int64_t frame) { return static_cast<int>(frame * 7 % 2001) - 1000; }
    static int rightAt(std::int64_t frame) { return 3000 - static_cast<int>(frame * 13 % 4001); }

private:
    bool m_doubled;
    std::int64_t m_made = 0;
};

}

class LiveStreamTest : public QObject
{
    Q_OBJECT

private slots:
    void writesEachSideAsItsSoundMadeIt_data()
    {
        QTest::addColumn<bool>("doubled");
        QTest::newRow("made doubled") << true;
        QTest::newRow("made at its own rate") << false;
    }

    void writesEachSideAsItsSoundMadeIt()
    {
        QFETCH(bool, doubled);
        LiveStream stream(std::make_unique<CountingSound>(doubled));
        // Round the ring twice, a few hundred frames at a time as the reader goes, now and then
        // reaching as far ahead as a read may. Every frame the reader may still read, from a
        // kernel's reach behind it to as far as it reaches, must be the sound as made.
        constexpr std::int64_t step = 300;
        constexpr std::int64_t behind = 128;
        for (std::int64_t position = 0; position < 2 * LiveStream::ringFrames; position += step) {
            const std::int64_t reach = position % (4 * step) == 0 ? LiveStream::ringFrames / 4 : step;
            stream.fillAhead(position % LiveStream::ringFrames, reach);
            for (std::int64_t frame = std::max<std::int64_t>(0, position - behind); frame < position + reach; ++frame) {
                const std::int64_t wrong = wrongCopy(stream, frame, doubled);
                QVERIFY2(wrong < 0, qPrintable(QStringLiteral("frame %1 (ring slot %2), read from %3")
                                                   .arg(frame)
                                                   .arg(wrong)
                                                   .arg(position)));
            }
        }
    }

private:
    // The ring slot, or the margin beside the ring that copies it, where frame `frame` is not
    // what the sound made; -1 when every copy is.
    static std::int64_t wrongCopy(const LiveStream &stream, std::int64_t frame, bool doubled)
    {
        // A frame made at its own rate is every other doubled frame, the doubler's reach behind
        // the sound; those between are new.
        if (!doubled && frame % 2 != 0)
            return -1;
        const std::int64_t made = doubled ? frame : frame / 2 + Doubler::leadFrames;
        const std::int64_t slot = frame % LiveStream::ringFrames;
        std::int64_t copies[] = {slot, slot, slot};
        if (slot < DoubledSound::margin)
            copies[1] = slot + LiveStream::ringFrames;
        if (slot >= LiveStream::ringFrames - DoubledSound::margin)
            copies[2] = slot - LiveStream::ringFrames;
        for (const std::int64_t copy : copies) {
            const std::int16_t *at = stream.frameData() + 2 * copy;
            if (at[0] != CountingSound::leftAt(made) || at[1] != CountingSound::rightAt(made))
                return copy;
        }
        return -1;
    }
};

QTEST_GUILESS_MAIN(LiveStreamTest)
#include "LiveStreamTest.moc"
