#include "app/MainWindow.h"

#include "app/ProductImages.h"
#include "app/TrayController.h"
#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "output/MasterOutput.h"
#include "player/Player.h"
#include "settings/MixCommands.h"
#include "sounds/SoundChooser.h"
#include "platform/SystemVolume.h"
#include "platform/UserMessages.h"
#include "widgets/MirrorAction.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int clientWidth = 769;
constexpr int clientHeight = 464;
constexpr int rowHeight = 19;
constexpr int startInTrayIntervalMs = 500;

const char *mixerFailedText = "Couldn't open the mixer.";
const char *deviceFailedText = "Error. Please check that the sound server (PulseAudio or PipeWire) is running.";

QSlider *makeSlider(const QString &name, const QString &accessibleName, int minimum, int maximum, int value,
                    int smallChange, int largeChange)
{
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setAccessibleName(accessibleName);
    slider->setRange(minimum, maximum);
    slider->setValue(value);
    slider->setSingleStep(smallChange);
    slider->setPageStep(largeChange);
    slider->setFixedHeight(rowHeight);
    return slider;
}

QPushButton *makeButton(const QString &name, const QString &caption, const QString &tooltip = {})
{
    auto *button = new QPushButton(caption);
    button->setObjectName(name);
    if (!tooltip.isEmpty())
        button->setToolTip(tooltip);
    return button;
}

QVBoxLayout *rowsLayout(QWidget *box)
{
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(1);
    return layout;
}

QString readoutStyle(int channel)
{
    const bool black = channel <= 5 || channel == 9;
    return QStringLiteral("QLabel { color: rgb(255,128,0); background: %1; font-family: Arial; font-weight: bold;"
                          " font-size: 9.75pt; }"
                          "QLabel:disabled { color: rgb(150,110,70); }")
        .arg(black ? QStringLiteral("black") : QStringLiteral("palette(window-text)"));
}

}

MainWindow::MainWindow(Player &player, const Services &services, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_player(player)
    , m_services(services)
    , m_background(ProductImages::picture(ProductImages::pictureSize()))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" Sonivale"));
    setWindowIcon(ProductImages::programIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAcceptDrops(true);

    buildMenus();
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    layout->addWidget(buildChannels());
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(buildMaster(), 2);
    bottom->addWidget(buildOptions(), 3);
    layout->addLayout(bottom);
    // The controls sit on the dark product picture, so their captions are light.
    central->setStyleSheet(QStringLiteral(
        "QGroupBox { color: #e6eef0; border: 1px solid rgba(255,255,255,70); border-radius: 4px;"
        " margin-top: 7px; background: rgba(0,0,0,70); }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
        "QCheckBox, QLabel { color: #e6eef0; }"
        "QCheckBox:disabled { color: #8a9498; }"
        // A switch that is on shows a box filled in the readouts' orange, and the control
        // with the keyboard focus an orange frame: both stand out on the dark picture.
        // The frame's room is kept while unfocused, so focus never moves anything.
        "QCheckBox { border: 1px solid transparent; border-radius: 3px; }"
        "QCheckBox:focus { border-color: rgb(255,160,40); background: rgba(255,128,0,55); }"
        "QCheckBox::indicator { width: 11px; height: 11px; border: 1px solid #e6eef0; border-radius: 2px;"
        " background: rgba(0,0,0,120); }"
        "QCheckBox::indicator:checked { background: rgb(255,128,0); border-color: white; }"
        "QCheckBox::indicator:disabled { border-color: #8a9498; }"
        "QCheckBox::indicator:checked:disabled { background: rgb(150,110,70); }"
        "QSlider { border: 1px solid transparent; border-radius: 3px; }"
        "QSlider:focus { border-color: rgb(255,160,40); background: rgba(255,128,0,55); }"));
    setCentralWidget(central);
    setFixedSize(clientWidth, clientHeight + menuBar()->sizeHint().height());

    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
        bindChannel(channel);
    bindMaster();
    // Start-up and Resume Last both reload the sounds; either may leave a channel without one.
    connect(&m_player.engine(), &SoundEngine::soundsLoaded, this, &MainWindow::showAvailability);
    connect(&m_player.soundChooser(), &SoundChooser::choiceChanged, this, &MainWindow::describeSwitch);

    m_timer5.setObjectName(QStringLiteral("Timer5"));
    m_timer5.setInterval(startInTrayIntervalMs);
    m_timer5.setSingleShot(true);
    connect(&m_timer5, &QTimer::timeout, this, &MainWindow::startInTrayCheck);
    m_timer5.start();
}

MainWindow::~MainWindow() = default;

void MainWindow::load()
{
    m_mixerOpen = m_services.systemVolume->open();
    if (m_mixerOpen)
        m_player.master().setSystemVolume(m_services.systemVolume);
    else
        m_services.messages->inform(this, QString::fromLatin1(mixerFailedText));
    if (m_tray)
        m_tray->addIcon();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();

    if (!m_player.engine().initialise())
        m_services.messages->inform(this, QString::fromLatin1(deviceFailedText));
    // Restarted here so that its one tick comes half a second after the load.
    m_timer5.start();

    reportMissingSounds(m_player.engine().loadChannelSounds(m_player.programFolder()));
    m_player.channels().dofilllabels();
}

void MainWindow::reportMissingSounds(const QStringList &files)
{
    if (files.isEmpty())
        return;
    m_services.messages->warn(this, tr("These sound files are missing or cannot be read, so their channels "
                                       "cannot be switched on:\n\n%1")
                                        .arg(files.join(QLatin1Char('\n'))));
}

void MainWindow::showAvailability()
{
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
        describeSwitch(channel);
}

// The caption stays the channel's; the tooltip and the name that screen readers read say
// what it plays when that is not its own sound, or that its sound is missing.
void MainWindow::describeSwitch(int channel)
{
    QCheckBox *toggle = m_widgets[static_cast<std::size_t>(channel - 1)].toggle;
    const bool playable = m_player.engine().buffer(channel) != nullptr;
    const SoundChooser &chooser = m_player.soundChooser();
    const QString description = chooser.describe(channel);
    toggle->setEnabled(playable);
    toggle->setAccessibleName(description);
    if (!playable)
        toggle->setToolTip(tr("Sound file missing: %1").arg(m_player.engine().failedFile(channel)));
    else
        toggle->setToolTip(chooser.choice(channel).isOwn() ? QString() : description);
}

void MainWindow::buildMenus()
{
    // Each caption gets a mnemonic on one of its own letters (Alt+M, then L, S or E).
    m_menuM = menuBar()->addMenu(QStringLiteral("&Menu"));
    m_menuM->setObjectName(QStringLiteral("m"));
    QAction *load = m_menuM->addAction(QStringLiteral("&Load  Config"));
    load->setObjectName(QStringLiteral("load"));
    QAction *save = m_menuM->addAction(QStringLiteral("&Save Config"));
    save->setObjectName(QStringLiteral("save"));
    m_menuM->addSeparator()->setObjectName(QStringLiteral("sep"));
    QAction *exit = m_menuM->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("exit"));
    connect(load, &QAction::triggered, this, [this] { m_player.mixCommands().load(this); });
    connect(save, &QAction::triggered, this, [this] { m_player.mixCommands().save(this); });
    connect(exit, &QAction::triggered, this, &MainWindow::exitRequested);

    m_playbackMenu = menuBar()->addMenu(tr("&Playback"));
    m_playbackMenu->setObjectName(QStringLiteral("playback"));

    m_trayPopup = new QMenu(this);
    m_trayPopup->setObjectName(QStringLiteral("trayPopup"));
    MirrorAction::addMirrors(m_trayPopup, m_menuM->actions());

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("help"));
    QAction *help2 = help->addAction(QStringLiteral("&Help"));
    help2->setObjectName(QStringLiteral("help2"));
    QAction *contact = help->addAction(QStringLiteral("&Contact Us"));
    contact->setObjectName(QStringLiteral("jhg"));
    help->addSeparator()->setObjectName(QStringLiteral("sep2"));
    QAction *about = help->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("about"));
    connect(help2, &QAction::triggered, this, &MainWindow::helpRequested);
    connect(contact, &QAction::triggered, this, &MainWindow::contactRequested);
    connect(about, &QAction::triggered, this, &MainWindow::aboutRequested);

    // F10 opens the menu bar, as in other desktop programs.
    auto *openMenuBar = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(openMenuBar, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(m_menuM->menuAction()); });
}

QWidget *MainWindow::buildChannels()
{
    auto *bands = new QWidget;
    auto *layout = new QVBoxLayout(bands);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(buildBand(ChannelTable::groupSoundColor, 1, 5));
    layout->addWidget(buildBand(ChannelTable::groupEnvironmental, 6, 10));
    layout->addWidget(buildBand(ChannelTable::groupOther, 11, 14));
    return bands;
}

QWidget *MainWindow::buildBand(const char *group, int firstChannel, int lastChannel)
{
    auto *band = new QWidget;
    auto *layout = new QHBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *switches = new QGroupBox(QString::fromLatin1(group));
    auto *volumes = new QGroupBox(QStringLiteral("Volumes"));
    auto *balance = new QGroupBox(QStringLiteral("Balance"));
    auto *frequency = new QGroupBox(QStringLiteral("Frequency"));
    QVBoxLayout *switchRows = rowsLayout(switches);
    QVBoxLayout *volumeRows = rowsLayout(volumes);
    QVBoxLayout *panRows = rowsLayout(balance);
    auto *frequencyRows = new QGridLayout(frequency);
    frequencyRows->setContentsMargins(6, 2, 6, 4);
    frequencyRows->setVerticalSpacing(1);
    const QString unit = lastChannel == 14 ? QStringLiteral("Hz") : QStringLiteral("hz");

    for (int channel = firstChannel; channel <= lastChannel; ++channel) {
        const ChannelInfo &info = ChannelTable::channel(channel);
        const QString caption = QString::fromLatin1(info.caption);
        ChannelWidgets &w = m_widgets[static_cast<std::size_t>(channel - 1)];
        w.toggle = new QCheckBox(caption);
        w.toggle->setObjectName(QString::fromLatin1(info.switchName));
        w.toggle->setFixedHeight(rowHeight);
        w.toggle->setAccessibleName(caption);
        // The menu key asks for it as the right button does; Shift+F10, the desktops' other
        // key for it, reaches a widget only as a shortcut.
        w.toggle->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w.toggle, &QWidget::customContextMenuRequested, this,
                [this, channel, toggle = w.toggle](const QPoint &at) { emit soundMenuRequested(channel, toggle->mapToGlobal(at)); });
        auto *menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), w.toggle);
        menuKey->setContext(Qt::WidgetShortcut);
        connect(menuKey, &QShortcut::activated, this, [this, channel, toggle = w.toggle] {
            emit soundMenuRequested(channel, toggle->mapToGlobal(QPoint(0, toggle->height())));
        });
        w.volume = makeSlider(QString::fromLatin1(info.volumeName), tr("%1 volume").arg(caption),
                              ChannelTable::volumeMinimum, ChannelTable::volumeMaximum, ChannelTable::volumeStart, 1, 800);
        w.pan = makeSlider(QString::fromLatin1(info.panName), tr("%1 balance").arg(caption), ChannelTable::panMinimum,
                           ChannelTable::panMaximum, ChannelTable::panStart, channel == 1 ? 1000 : 1, 1700);
        w.frequency = makeSlider(QString::fromLatin1(info.frequencyName), tr("%1 frequency").arg(caption),
                                 ChannelTable::frequencyMinimum, ChannelTable::frequencyMaximum,
                                 ChannelTable::frequencyStart, 1, 20000);
        w.readout = new QLabel;
        w.readout->setObjectName(QString::fromLatin1(info.readoutName));
        w.readout->setAccessibleName(tr("%1 frequency in force").arg(caption));
        w.readout->setAlignment(Qt::AlignCenter);
        w.readout->setFixedSize(52, rowHeight - 2);
        w.readout->setStyleSheet(readoutStyle(channel));
        for (QWidget *control : {static_cast<QWidget *>(w.volume), static_cast<QWidget *>(w.pan),
                                 static_cast<QWidget *>(w.frequency), static_cast<QWidget *>(w.readout)})
            control->setEnabled(false);

        switchRows->addWidget(w.toggle);
        volumeRows->addWidget(w.volume);
        panRows->addWidget(w.pan);
        const int row = channel - firstChannel;
        frequencyRows->addWidget(w.frequency, row, 0);
        frequencyRows->addWidget(w.readout, row, 1);
        auto *unitLabel = new QLabel(unit);
        unitLabel->setFixedHeight(rowHeight);
        frequencyRows->addWidget(unitLabel, row, 2);
    }
    layout->addWidget(switches, 3);
    layout->addWidget(volumes, 3);
    layout->addWidget(balance, 3);
    layout->addWidget(frequency, 4);
    return band;
}

QWidget *MainWindow::buildMaster()
{
    auto *box = new QWidget;
    auto *layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *volumeFrame = new QGroupBox(QStringLiteral("Master Volume"));
    m_masterVolume = makeSlider(QStringLiteral("HScroll2"), tr("Master volume"), MasterOutput::volumeMinimum,
                                MasterOutput::volumeMaximum, MasterOutput::volumeStart, 1500, 11000);
    (new QVBoxLayout(volumeFrame))->addWidget(m_masterVolume);
    auto *panFrame = new QGroupBox(QStringLiteral("Master Panning"));
    m_masterPan = makeSlider(QStringLiteral("HScroll1"), tr("Master panning"), MasterOutput::panMinimum,
                             MasterOutput::panMaximum, MasterOutput::panStart, 1000, 2000);
    // The pan is applied when the thumb is released, not while it is dragged.
    m_masterPan->setTracking(false);
    (new QVBoxLayout(panFrame))->addWidget(m_masterPan);
    QPushButton *mute = makeButton(QStringLiteral("Command4"), QStringLiteral("Mute"));
    connect(mute, &QPushButton::clicked, &m_player.master(), &MasterOutput::toggleMute);
    layout->addWidget(volumeFrame, 0, 0);
    layout->addWidget(panFrame, 0, 1);
    layout->addWidget(mute, 1, 0, 1, 2);
    return box;
}

QWidget *MainWindow::buildOptions()
{
    auto *box = new QGroupBox(tr("Options"));
    auto *layout = new QGridLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(3);
    m_check6 = new QCheckBox(QStringLiteral("Start In Tray"));
    m_check6->setObjectName(QStringLiteral("Check6"));

    QPushButton *tray = makeButton(QStringLiteral("Command2"), QStringLiteral("Tray"), QStringLiteral("Send To System Tray"));
    QPushButton *close = makeButton(QStringLiteral("Command1"), QStringLiteral("Close"));
    QPushButton *record = makeButton(QStringLiteral("Command3"), QStringLiteral("Record"), QStringLiteral("Record Your Sounds"));
    QPushButton *save = makeButton(QStringLiteral("Command9"), QStringLiteral("Save"), QStringLiteral("Save This Configuration"));
    QPushButton *load = makeButton(QStringLiteral("Command10"), QStringLiteral("Load"), QStringLiteral("Load A Saved Configuration"));
    QPushButton *resume = makeButton(QStringLiteral("Command8"), QStringLiteral("Resume Last "), QStringLiteral("Reload Previous Settings"));
    QPushButton *reset = makeButton(QStringLiteral("Command6"), QStringLiteral("Reset All"), QStringLiteral("Reset All Controls To Default"));
    QPushButton *exit = makeButton(QStringLiteral("Command7"), QStringLiteral("Exit"));

    connect(tray, &QPushButton::clicked, this, &MainWindow::sendToTray);
    connect(close, &QPushButton::clicked, this, &MainWindow::closeFromButton);
    connect(record, &QPushButton::clicked, this, &MainWindow::recordRequested);
    connect(save, &QPushButton::clicked, this, [this] { m_player.mixCommands().save(this); });
    connect(load, &QPushButton::clicked, this, [this] { m_player.mixCommands().load(this); });
    connect(resume, &QPushButton::clicked, this, [this] { m_player.mixCommands().resumeLast(this); });
    connect(reset, &QPushButton::clicked, &m_player.mixCommands(), &MixCommands::resetAll);
    connect(&m_player.mixCommands(), &MixCommands::startInTrayCleared, m_check6, [this] { m_check6->setChecked(false); });
    connect(exit, &QPushButton::clicked, this, &MainWindow::close);

    layout->addWidget(save, 0, 0);
    layout->addWidget(load, 0, 1);
    layout->addWidget(resume, 0, 2);
    layout->addWidget(reset, 0, 3);
    layout->addWidget(record, 1, 0);
    layout->addWidget(tray, 1, 1);
    layout->addWidget(close, 1, 2);
    layout->addWidget(exit, 1, 3);
    layout->addWidget(m_check6, 2, 0, 1, 2);
    return box;
}

void MainWindow::bindChannel(int channel)
{
    ChannelWidgets &w = m_widgets[static_cast<std::size_t>(channel - 1)];
    ChannelControls *controls = &m_player.channels();
    using Slider = ChannelControls::Slider;

    connect(w.toggle, &QCheckBox::toggled, this, [controls, channel, toggle = w.toggle](bool on) {
        if (!controls->setSwitch(channel, on ? 1 : 0)) {
            const QSignalBlocker block(toggle);
            toggle->setChecked(controls->switchState(channel) == 1);
        }
    });
    const auto forward = [controls, channel](QSlider *slider, Slider kind) {
        connect(slider, &QSlider::valueChanged, controls,
                [controls, channel, kind](int value) { controls->setSlider(channel, kind, value); });
    };
    forward(w.volume, Slider::Volume);
    forward(w.pan, Slider::Pan);
    forward(w.frequency, Slider::Frequency);
}

void MainWindow::bindMaster()
{
    connect(m_masterVolume, &QSlider::valueChanged, &m_player.master(), &MasterOutput::setVolume);
    connect(m_masterPan, &QSlider::valueChanged, &m_player.master(), &MasterOutput::setPan);
    connect(&m_player.master(), &MasterOutput::volumeChanged, m_masterVolume, &QSlider::setValue);
    connect(&m_player.master(), &MasterOutput::panChanged, m_masterPan, &QSlider::setValue);

    using Slider = ChannelControls::Slider;
    connect(&m_player.channels(), &ChannelControls::switchChanged, this, [this](int channel, int state) {
        QCheckBox *toggle = m_widgets[static_cast<std::size_t>(channel - 1)].toggle;
        const QSignalBlocker block(toggle);
        toggle->setChecked(state == 1);
    });
    connect(&m_player.channels(), &ChannelControls::sliderChanged, this, [this](int channel, Slider kind, int value) {
        const ChannelWidgets &w = m_widgets[static_cast<std::size_t>(channel - 1)];
        QSlider *slider = kind == Slider::Volume ? w.volume : kind == Slider::Pan ? w.pan : w.frequency;
        const QSignalBlocker block(slider);
        slider->setValue(value);
    });
    connect(&m_player.channels(), &ChannelControls::readoutChanged, this, &MainWindow::showReadout);
    connect(&m_player.channels(), &ChannelControls::enabledChanged, this, [this](int channel, bool enabled) {
        const ChannelWidgets &w = m_widgets[static_cast<std::size_t>(channel - 1)];
        for (QWidget *control : {static_cast<QWidget *>(w.volume), static_cast<QWidget *>(w.pan),
                                 static_cast<QWidget *>(w.frequency), static_cast<QWidget *>(w.readout)})
            control->setEnabled(enabled);
    });
}

// Screen readers read a label's accessible name instead of its text, so the name carries
// the value too.
void MainWindow::showReadout(int channel, const QString &text)
{
    QLabel *readout = m_widgets[static_cast<std::size_t>(channel - 1)].readout;
    readout->setText(text);
    const QString name = tr("%1 frequency in force").arg(QString::fromLatin1(ChannelTable::channel(channel).caption));
    readout->setAccessibleName(text.isEmpty() ? name : tr("%1: %2 Hz").arg(name, text));
}

void MainWindow::setTrayStatus(const QString &status)
{
    if (m_tray)
        m_tray->setStatus(status);
}

void MainWindow::attachTrayIcon(TrayIcon &icon)
{
    m_tray = new TrayController(*this, icon, this);
}

void MainWindow::sendToTray()
{
    if (m_tray)
        m_tray->sendToTray();
    else
        showMinimized();
}

void MainWindow::restoreFromTray()
{
    if (m_tray)
        m_tray->restore();
    else
        showNormal();
}

void MainWindow::closeFromButton()
{
    if (m_tray)
        m_tray->removeIcon();
    close();
}

void MainWindow::startInTrayCheck()
{
    m_timer5.stop();
    if (m_tray)
        m_tray->startInTrayCheck(m_check6->isChecked());
    else if (m_check6->isChecked())
        showMinimized();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_player.mixCommands().writeLastSettings(this);
    if (m_tray)
        m_tray->retire();
    emit unloading();
    // The console that controls the sounds is gone, so they stop with it.
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
        m_player.channels().setSwitch(channel, 0);
    event->accept();
}

namespace {

// The one local mix file that a drag carries, or an empty string.
QString droppedMixFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile() || !url.toLocalFile().endsWith(QLatin1String(".smf"), Qt::CaseInsensitive))
        return {};
    return url.toLocalFile();
}

}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedMixFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QString path = droppedMixFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has ended, so that a message about the file never holds the drag's source.
    QMetaObject::invokeMethod(this, [this, path] { m_player.mixCommands().loadFile(this, path); }, Qt::QueuedConnection);
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
    QMainWindow::paintEvent(event);
}
