#include "../RenderTestTools.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "render/RenderJob.h"
#include "render/windows/RenderWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace RenderTestTools;

class RenderWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_sounds;
    QTemporaryDir m_out;
    OfflineAudioOutput m_output;
    std::unique_ptr<SoundEngine> m_engine;
    std::unique_ptr<ChannelControls> m_controls;
    ScriptedFileDialogs m_dialogs;
    ScriptedUserMessages m_messages;

    std::unique_ptr<RenderWindow> makeWindow(std::function<std::unique_ptr<SoundFileWriter>()> makeWriter = {})
    {
        auto window = std::make_unique<RenderWindow>(
            RenderWindow::Services{m_engine.get(), &m_dialogs, &m_messages, m_out.path(), std::move(makeWriter)});
        window->show();
        return window;
    }

    template<typename T>
    static T *find(RenderWindow &window, const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSounds::writeChannelNoises(m_sounds.path(), 22050));
        m_engine = std::make_unique<SoundEngine>(m_output);
        m_engine->loadChannelSounds(m_sounds.path());
        m_engine->initialise();
        m_controls = std::make_unique<ChannelControls>(*m_engine);
        m_controls->setSwitch(3, 1);
        m_controls->setSwitch(8, 1);
    }

    void theControlsFollowFormatAndLoop()
    {
        auto window = makeWindow();
        auto *format = find<QComboBox>(*window, "format");
        auto *rate = find<QComboBox>(*window, "rate");
        auto *output = find<QLineEdit>(*window, "output");
        rate->setCurrentIndex(rate->findData(44100));
        format->setCurrentIndex(format->findText(QStringLiteral("Opus")));
        QCOMPARE(rate->currentData().toInt(), 48000);
        QVERIFY(!rate->isEnabled());
        QVERIFY(output->text().endsWith(QStringLiteral(".opus")));
        QVERIFY(find<QLabel>(*window, "quality")->text().contains(QStringLiteral("160 kbit/s")));
        format->setCurrentIndex(format->findText(QStringLiteral("MP3")));
        QVERIFY(rate->isEnabled());
        QVERIFY(output->text().endsWith(QStringLiteral(".mp3")));

        find<QSpinBox>(*window, "fadeIn")->setValue(30);
        find<QCheckBox>(*window, "loop")->setChecked(true);
        QVERIFY(!find<QSpinBox>(*window, "fadeIn")->isEnabled());
        QCOMPARE(window->options().fadeInSeconds, 0.0);
        QVERIFY(window->options().problem().isEmpty());

        // A name chosen without an extension gets the format's.
        m_dialogs.answer(m_out.filePath(QStringLiteral("for the phone")));
        find<QPushButton>(*window, "browse")->click();
        QCOMPARE(output->text(), m_out.filePath(QStringLiteral("for the phone.mp3")));
        m_dialogs.answer(m_out.filePath(QStringLiteral("night.wav")));
        find<QPushButton>(*window, "browse")->click();
        QCOMPARE(format->currentText(), QStringLiteral("WAV"));
    }

    // A typed name chooses its format; a bare one lands in the window's folder with the
    // chosen format's extension; an existing file is replaced only when the user agrees.
    void aTypedNameIsCompletedAndAFileReplacedOnlyWhenAsked()
    {
        m_messages.clear();
        auto window = makeWindow();
        auto *format = find<QComboBox>(*window, "format");
        auto *output = find<QLineEdit>(*window, "output");
        auto *length = find<QSpinBox>(*window, "length");
        // Enter in a field renders.
        const auto dialogsShown = m_dialogs.shown().size();
        QTest::keyClick(length, Qt::Key_Return);
        QCOMPARE(m_dialogs.shown().size(), dialogsShown);
        QVERIFY(m_messages.texts().isEmpty() && window->job() && window->job()->isRunning());
        window->cancelRender();
        QVERIFY(QTest::qWaitFor([&] { return !window->job()->isRunning(); }));
        QCOMPARE(length->value(), 8);
        find<QComboBox>(*window, "lengthUnit")->setCurrentIndex(0);
        QCOMPARE(length->value(), 480);
        length->setValue(1);
        output->setText(QStringLiteral("~/night.WAV"));
        QCOMPARE(format->currentText(), QStringLiteral("WAV"));
        output->setText(QStringLiteral("bare"));
        QSignalSpy finished(window.get(), &RenderWindow::renderFinished);
        find<QPushButton>(*window, "render")->click();
        const QString target = m_out.filePath(QStringLiteral("bare.wav"));
        QCOMPARE(output->text(), target);
        QVERIFY(finished.wait(60000));
        const std::optional<SoundFile> file = readSound(target);
        QVERIFY(file);
        QCOMPARE(file->frames(), qint64(60 * 48000));

        QVERIFY(QFile::resize(target, 100));
        m_messages.queueAnswer(false);
        find<QPushButton>(*window, "render")->click();
        QVERIFY(!window->job() || !window->job()->isRunning());
        QCOMPARE(m_messages.texts().size(), 1);
        QVERIFY(m_messages.texts().constFirst().contains(QStringLiteral("already exists")));
        QCOMPARE(QFileInfo(target).size(), 100);
        QVERIFY(QFile::remove(target));
        m_messages.clear();
    }

    void rendersWhileTheConsolePlaysOn()
    {
        auto window = makeWindow();
        find<QComboBox>(*window, "lengthUnit")->setCurrentIndex(0);
        find<QSpinBox>(*window, "length")->setValue(1);
        const QString target = m_out.filePath(QStringLiteral("minute.flac"));
        find<QLineEdit>(*window, "output")->setText(target);
        QSignalSpy finished(window.get(), &RenderWindow::renderFinished);
        find<QPushButton>(*window, "render")->click();
        QVERIFY(!find<QPushButton>(*window, "render")->isEnabled());
        QVERIFY(find<QPushButton>(*window, "cancel")->isEnabled());
        // The console's own buffers go on playing as they were.
        const std::vector<float> live = m_output.renderFrames(4800);
        QVERIFY(levelOf(live, 2400, 2400) > -40.0);
        QVERIFY(m_engine->buffer(3)->isPlaying() && m_engine->buffer(8)->isPlaying());

        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY(m_messages.texts().isEmpty());
        const std::optional<SoundFile> file = readSound(target);
        QVERIFY(file);
        QCOMPARE(file->frames(), qint64(60 * 48000));
        QVERIFY(find<QLabel>(*window, "status")->text().contains(QStringLiteral("minute.flac")));
        QVERIFY(QFile::remove(target));
    }

    void cancelAndFailureLeaveNothing()
    {
        // Twelve hours, into a writer that keeps nothing: Cancel comes long before the end.
        auto window = makeWindow([] {
            auto writer = std::make_unique<MemoryWriter>();
            writer->afterWrite = [w = writer.get()] { w->frames.clear(); };
            return writer;
        });
        find<QSpinBox>(*window, "length")->setValue(12);
        find<QLineEdit>(*window, "output")->setText(m_out.filePath(QStringLiteral("night.flac")));
        QSignalSpy finished(window.get(), &RenderWindow::renderFinished);
        find<QPushButton>(*window, "render")->click();
        find<QPushButton>(*window, "cancel")->click();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(find<QLabel>(*window, "status")->text().contains(QStringLiteral("nothing was written")));
        QVERIFY(m_messages.texts().isEmpty());

        // Escape stops a render only when the user agrees.
        find<QPushButton>(*window, "render")->click();
        m_messages.queueAnswer(false);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(window->isVisible() && window->job()->isRunning());
        m_messages.queueAnswer(true);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible() && !window->job()->isRunning());
        QCOMPARE(m_messages.texts().size(), 2);
        QVERIFY(entriesOf(m_out.path()).isEmpty());
        m_messages.clear();

        // A failing disk gets a message naming the file and the reason.
        window = makeWindow([] {
            auto writer = std::make_unique<MemoryWriter>();
            writer->failAfterFrames = 10000;
            return writer;
        });
        find<QLineEdit>(*window, "output")->setText(m_out.filePath(QStringLiteral("full.flac")));
        QSignalSpy failed(window.get(), &RenderWindow::renderFinished);
        find<QPushButton>(*window, "render")->click();
        QVERIFY(failed.wait(60000));
        QCOMPARE(m_messages.texts().size(), 1);
        QVERIFY(m_messages.texts().constFirst().contains(QStringLiteral("full.flac")));
        QVERIFY(m_messages.texts().constFirst().contains(QStringLiteral("No space left on device")));
        QVERIFY(entriesOf(m_out.path()).isEmpty());
        m_messages.clear();
    }

    void badOptionsAndASilentMixAreRefusedAtOnce()
    {
        auto window = makeWindow();
        find<QLineEdit>(*window, "output")->setText(QString());
        find<QPushButton>(*window, "render")->click();
        QCOMPARE(m_messages.texts().size(), 1);
        QVERIFY(!window->job());

        m_controls->setSwitch(3, 0);
        m_controls->setSwitch(8, 0);
        find<QLineEdit>(*window, "output")->setText(m_out.filePath(QStringLiteral("quiet.flac")));
        find<QPushButton>(*window, "render")->click();
        QCOMPARE(m_messages.texts().size(), 2);
        QVERIFY(m_messages.texts().last().contains(QStringLiteral("No channel is switched on")));
        QVERIFY(!window->job());
        m_messages.clear();
    }
};

QTEST_MAIN(RenderWindowTest)
#include "RenderWindowTest.moc"
