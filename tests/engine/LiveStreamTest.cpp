// A live stream writes what its sound makes, each side where it belongs, block after block
// and round the ring: a sound made doubled as it comes, one made at its own rate with every
// frame kept between the new ones.

#include "engine/LiveStream.h"

#include "synth/LiveSound.h"

#include <QTest>

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
        // Once and a half round the ring, a few hundred frames at a time, as the reader goes.
        const std::int64_t total = 3 * LiveStream::ringFrames / 2;
        std::int64_t checked = 0;
        for (std::int64_t position = 0; position < total; position += 300) {
            stream.fillAhead(position % LiveStream::ringFrames, 300);
            for (; checked < position + 300; ++checked) {
                // A frame made at its own rate is every other doubled frame, the doubler's
                // reach behind the sound.
                if (!doubled && checked % 2 != 0)
                    continue;
                const std::int64_t made = doubled ? checked : checked / 2 + Doubler::leadFrames;
                const std::int16_t *frame = stream.frameData() + 2 * (checked % LiveStream::ringFrames);
                QCOMPARE(static_cast<int>(frame[0]), CountingSound::leftAt(made));
                QCOMPARE(static_cast<int>(frame[1]), CountingSound::rightAt(made));
            }
        }
    }
};

QTEST_GUILESS_MAIN(LiveStreamTest)
#include "LiveStreamTest.moc"
