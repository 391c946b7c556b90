#include "recorder/RecorderWindow.h"

#include "product/ProgramPaths.h"
#include "platform/UserMessages.h"
#include "recorder/QualityTable.h"
#include "recorder/RecorderSourcePanel.h"
#include "recorder/RecorderTimers.h"
#include "recorder/TroubleshootingWindow.h"
#include "widgets/AkLed.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int bodyWidth = 720;
constexpr int bodyHeight = 282;
const QColor windowGrey(128, 128, 128);
const QColor statusGrey(64, 64, 64);
constexpr quint32 lampBackground = 0x00C0C0C0;

int pixels(double twips)
{
    return int(std::lround(twips / RecorderSettings::twipsPerPixel));
}

double twips(int pixels)
{
    return double(pixels) * RecorderSettings::twipsPerPixel;
}

template<typename W>
W *place(W *widget, const char *name, int x, int y, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

QLabel *caption(QWidget *parent, const QString &text, int x, int y, int width)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(x, y, width, 20);
    return label;
}

}

RecorderWindow::RecorderWindow(CaptureDevice &device, UserMessages &messages, const Clock &clock,
                               RecorderSourcePanel *sourcePanel, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_messages(messages)
    , m_controller(device, messages, clock)
    , m_sourcePanel(sourcePanel)
{
    setObjectName(QStringLiteral("Form8"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Sound Recorder"));
    m_controller.setDialogParent(this);
    m_timers = new RecorderTimers(m_controller, this);
    build();
    connectControls();
    load();
}

RecorderWindow::~RecorderWindow()
{
    unload();
}

QString RecorderWindow::settingsPath()
{
    return ProgramPaths::configFile(QStringLiteral("settings9.txt"));
}

void RecorderWindow::reload()
{
    unload();
    load();
    m_controller.restartClock();
}

void RecorderWindow::endSession()
{
    m_sessionEnding = true;
    if (m_loaded)
        m_controller.keepUnsavedTake();
    unload();
    close();
}

void RecorderWindow::setOuterHeight(double heightTwips)
{
    // A height from a damaged file must neither overflow nor outgrow the screen.
    const double screenTwips = twips(availableScreenArea().height());
    heightTwips = std::clamp(heightTwips, RecorderSettings::compactHeight,
                             std::max(screenTwips, RecorderSettings::compactHeight));
    m_wantedHeight = heightTwips;
    const int frameExtra = frameGeometry().height() - geometry().height();
    resize(width(), std::max(pixels(heightTwips) - frameExtra, minimumSizeHint().height()));
}

QRect RecorderWindow::availableScreenArea() const
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, bodyWidth, 32767);
}

double RecorderWindow::outerHeight() const
{
    return twips(frameGeometry().height());
}

void RecorderWindow::closeEvent(QCloseEvent *event)
{
    if (!m_sessionEnding && !mayDiscardTake()) {
        event->ignore();
        return;
    }
    unload();
    event->accept();
}

bool RecorderWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_body && event->type() == QEvent::Resize)
        showWholeGroupsOnly();
    return QWidget::eventFilter(watched, event);
}

void RecorderWindow::showWholeGroupsOnly()
{
    // The compact height keeps the top rows; a group cut through its middle would show
    // controls without their captions or half a selector.
    for (QWidget *child : m_body->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->setVisible(child->geometry().bottom() < m_body->height());
}

bool RecorderWindow::mayDiscardTake()
{
    if (!m_loaded || !m_controller.hasUnsavedTake())
        return true;
    const QString text = tr("The recording has not been saved. Do you want to save it before it is lost?");
    switch (m_messages.askToSave(this, text)) {
    case UserMessages::SaveChoice::Save:
        if (m_controller.view().state == RecorderController::State::Recording)
            m_controller.stop();
        emit saveRequested();
        return !m_controller.hasUnsavedTake();
    case UserMessages::SaveChoice::Discard:
        return true;
    case UserMessages::SaveChoice::GoBack:
        break;
    }
    return false;
}

void RecorderWindow::resetAfterAsking()
{
    if (mayDiscardTake())
        reload();
}

void RecorderWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The frame's size is known only once the window manager has framed the window.
    QTimer::singleShot(0, this, [this] { setOuterHeight(m_wantedHeight); });
}

void RecorderWindow::mousePressEvent(QMouseEvent *event)
{
    const QWidget *hit = childAt(event->position().toPoint());
    m_dragging = hit == nullptr || hit == m_body;
    m_dragStart = event->position();
}

void RecorderWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    move(pos() + (event->position() - m_dragStart).toPoint());
}

void RecorderWindow::build()
{
    QPalette grey = palette();
    grey.setColor(QPalette::Window, windowGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildMenu();
    // Children sit at fixed places so that the compact height simply cuts off the lower rows.
    m_body = new QWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_body->setMinimumSize(bodyWidth, 0);
    m_body->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    m_body->installEventFilter(this);
    layout->addWidget(m_body);
    buildInformation();
    buildControls();
    buildWindowButtons();
    buildOutputType();
    buildQuality();
    buildOtherOptions();
    m_sourceSlot = place(new QWidget(m_body), "sourcePanelSlot", 476, 94, 238, 184);
    if (m_sourcePanel) {
        auto *slotLayout = new QVBoxLayout(m_sourceSlot);
        slotLayout->setContentsMargins(0, 0, 0, 0);
        slotLayout->addWidget(m_sourcePanel);
    }
    setFixedWidth(bodyWidth);
    resize(bodyWidth, bodyHeight + layout->menuBar()->sizeHint().height());
}

void RecorderWindow::buildMenu()
{
    auto *bar = new QMenuBar(this);
    QMenu *quality = bar->addMenu(tr("&Quality"));
    quality->setObjectName(QStringLiteral("Quality"));
    // The recording quality is chosen in the selector; these items only show the level.
    const auto item = [quality](const QString &text, const char *name) {
        QAction *action = quality->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setEnabled(false);
        return action;
    };
    item(tr("Low Quality"), "low");
    item(tr("Medium Quality"), "med");
    m_high = item(tr("High Quality"), "high");
    static_cast<QVBoxLayout *>(layout())->setMenuBar(bar);
}

void RecorderWindow::buildInformation()
{
    auto *frame = place(new QGroupBox(tr("Information"), m_body), "Frame1", 6, 2, 200, 88);
    m_lamp = place(new AkLed(frame), "akLED1", 12, 23, 17, 17);
    m_lamp->setBackColor(lampBackground);
    m_lamp->setAccessibleName(tr("Recording lamp"));
    caption(frame, tr("Status"), 36, 20, 58)->setObjectName(QStringLiteral("Label4"));
    m_status = place(new QLabel(frame), "Label1", 98, 20, 94, 20);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setAutoFillBackground(true);
    m_status->setAccessibleName(tr("Status"));
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    caption(frame, tr("Length"), 36, 42, 58)->setObjectName(QStringLiteral("Label5"));
    m_clock = place(new QLineEdit(frame), "Text1", 98, 42, 94, 20);
    m_clock->setReadOnly(true);
    m_clock->setAlignment(Qt::AlignCenter);
    m_clock->setAccessibleName(tr("Length"));
    caption(frame, tr("Size/MB"), 36, 64, 58)->setObjectName(QStringLiteral("Label6"));
    m_size = place(new QLabel(frame), "Label3", 98, 64, 94, 20);
    m_size->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_size->setAccessibleName(tr("Size in MB"));
}

void RecorderWindow::buildControls()
{
    auto *frame = place(new QGroupBox(tr("Controls"), m_body), "Frame2", 212, 2, 258, 88);
    m_recordNow = place(new QPushButton(tr("Record Now"), frame), "Command2", 10, 20, 120, 28);
    m_stop = place(new QPushButton(tr("Stop"), frame), "Command3", 10, 20, 120, 28);
    m_save = place(new QPushButton(tr("Save"), frame), "Command5", 10, 52, 120, 28);
    m_expand = place(new QPushButton(tr("Toggle"), frame), "Command8", 138, 52, 54, 28);
    m_expand->setAccessibleName(tr("Toggle: show all controls"));
    m_expand->setToolTip(tr("Show all controls"));
    m_compact = place(new QPushButton(tr("Toggle"), frame), "Command9", 198, 52, 54, 28);
    m_compact->setAccessibleName(tr("Toggle: show only the top rows"));
    m_compact->setToolTip(tr("Show only the top rows"));
}

void RecorderWindow::buildWindowButtons()
{
    m_reset = place(new QPushButton(tr("Reset"), m_body), "Command1", 476, 6, 114, 26);
    m_close = place(new QPushButton(tr("Close"), m_body), "cmdClose", 600, 6, 114, 26);
    m_convert = place(new QPushButton(tr("Convert Wav - Mp3"), m_body), "Command10", 476, 34, 114, 26);
    // Beside the conversion, so that the source panel below has room for long line names.
    m_help6 = place(new QPushButton(tr("Recording Help"), m_body), "Command6", 600, 34, 114, 26);
}

void RecorderWindow::buildOutputType()
{
    auto *frame = place(new QGroupBox(m_body), "Frame3", 476, 62, 238, 28);
    frame->setAccessibleName(tr("Output type"));
    m_mp3 = place(new QRadioButton(tr("MP3"), frame), "Option1", 10, 3, 80, 22);
    m_wav = place(new QRadioButton(tr("Wav"), frame), "Option2", 100, 3, 80, 22);
}

void RecorderWindow::buildQuality()
{
    auto *frame = place(new QGroupBox(tr("Select Recording Quality"), m_body), "Frame4", 6, 94, 464, 52);
    m_quality = place(new QComboBox(frame), "cbxformat", 10, 20, 444, 24);
    m_quality->addItems(QualityTable::texts());
    m_quality->setAccessibleName(tr("Recording quality"));
}

void RecorderWindow::buildOtherOptions()
{
    auto *frame = place(new QGroupBox(tr("Other Options"), m_body), "Frame5", 6, 150, 464, 120);
    m_stopAtSize = place(new QCheckBox(tr("Stop recording when file size reaches target filesize"), frame),
                         "Check1", 10, 20, 444, 20);
    m_targetSizeCaption = caption(frame, tr("Target Filesize MB"), 28, 42, 140);
    m_targetSizeCaption->setObjectName(QStringLiteral("Label8"));
    m_targetSize = place(new QScrollBar(Qt::Horizontal, frame), "HScroll1", 170, 43, 230, 18);
    m_targetSize->setRange(RecorderController::targetSizeMinimum, RecorderController::targetSizeMaximum);
    m_targetSize->setPageStep(RecorderController::targetSizeLargeStep);
    m_targetSize->setAccessibleName(tr("Target Filesize MB"));
    m_targetSizeText = place(new QLabel(frame), "Label7", 408, 42, 46, 20);
    m_stopAtLength = place(new QCheckBox(tr("Stop recording when file length reaches target length"), frame),
                           "Check2", 10, 68, 444, 20);
    m_targetLengthCaption = caption(frame, tr("Target Length (Min)"), 28, 90, 140);
    m_targetLengthCaption->setObjectName(QStringLiteral("Label10"));
    m_targetLength = place(new QScrollBar(Qt::Horizontal, frame), "HScroll2", 170, 91, 230, 18);
    m_targetLength->setRange(RecorderController::targetLengthMinimum, RecorderController::targetLengthMaximum);
    m_targetLength->setPageStep(RecorderController::targetLengthLargeStep);
    m_targetLength->setAccessibleName(tr("Target Length (Min)"));
    m_targetLengthText = place(new QLabel(frame), "Label9", 408, 90, 46, 20);
    for (QScrollBar *slider : {m_targetSize, m_targetLength}) {
        slider->setFocusPolicy(Qt::StrongFocus);
        // Scroll bars invert the arrow keys by default; a target should grow to the right.
        slider->setInvertedControls(false);
    }
}

void RecorderWindow::connectControls()
{
    connect(&m_controller, &RecorderController::changed, this, &RecorderWindow::refresh);
    connect(&m_controller, &RecorderController::sizeTextChanged, this, &RecorderWindow::showSize);
    connect(m_recordNow, &QPushButton::clicked, &m_controller, &RecorderController::recordNow);
    connect(m_stop, &QPushButton::clicked, &m_controller, &RecorderController::stop);
    connect(m_reset, &QPushButton::clicked, this, &RecorderWindow::resetAfterAsking);
    connect(m_save, &QPushButton::clicked, this, &RecorderWindow::saveRequested);
    connect(m_convert, &QPushButton::clicked, this, &RecorderWindow::convertRequested);
    connect(m_help6, &QPushButton::clicked, this, &RecorderWindow::showHelp);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_expand, &QPushButton::clicked, this, &RecorderWindow::expand);
    connect(m_compact, &QPushButton::clicked, this, &RecorderWindow::compact);
    connect(m_stopAtSize, &QCheckBox::toggled, this, [this](bool on) { m_controller.setStopAtSize(on ? 1 : 0); });
    connect(m_stopAtLength, &QCheckBox::toggled, this, [this](bool on) { m_controller.setStopAtLength(on ? 1 : 0); });
    connect(m_targetSize, &QScrollBar::valueChanged, &m_controller, &RecorderController::setTargetSize);
    connect(m_targetLength, &QScrollBar::valueChanged, &m_controller, &RecorderController::setTargetLength);
    connect(m_quality, &QComboBox::currentIndexChanged, &m_controller, &RecorderController::setQualityIndex);
    connect(m_mp3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_controller.setMp3Chosen(true);
    });
    connect(m_wav, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_controller.setMp3Chosen(false);
    });
}

void RecorderWindow::load()
{
    if (m_sourcePanel)
        m_sourcePanel->prepare();
    QString problem;
    const std::optional<RecorderSettings> saved = RecorderSettings::read(settingsPath(), &problem);
    if (!problem.isEmpty())
        m_messages.warn(this, tr("The recorder's settings file \"%1\" was not read, because %2. The usual settings are used.")
                                  .arg(QDir::toNativeSeparators(settingsPath()), problem));
    m_sourceLine = 0;
    m_sourceName.clear();
    if (saved && saved->sourceLine && !m_sourcePanel)
        m_sourceLine = *saved->sourceLine;
    // A chosen source is remembered by name; a file without one names its line by
    // position, where the first is the usual source.
    if (saved && saved->sourceName) {
        m_sourceName = *saved->sourceName;
        if (m_sourcePanel)
            m_sourcePanel->chooseSource(m_sourceName);
    } else if (saved && saved->sourceLine && m_sourcePanel) {
        m_sourcePanel->selectLine(*saved->sourceLine);
    }
    m_controller.load(saved);
    m_expand->show();
    m_compact->show();
    if (saved)
        applyPlace(*saved);
    m_high->setChecked(true);
    m_loaded = true;
}

void RecorderWindow::unload()
{
    if (!m_loaded)
        return;
    m_loaded = false;
    m_controller.unload();
    RecorderSettings settings;
    m_controller.saveTo(settings);
    settings.height = outerHeight();
    settings.left = twips(frameGeometry().x());
    settings.top = twips(frameGeometry().y());
    settings.sourceLine = m_sourcePanel ? m_sourcePanel->selectedLine() : m_sourceLine;
    settings.sourceName = m_sourcePanel ? m_sourcePanel->chosenSource() : m_sourceName;
    QString error;
    if (!settings.write(settingsPath(), &error) && !m_sessionEnding)
        m_messages.warn(this, tr("The recorder's choices could not be saved to %1: %2")
                                  .arg(QDir::toNativeSeparators(settingsPath()), error));
}

void RecorderWindow::applyPlace(const RecorderSettings &saved)
{
    if (saved.height)
        setOuterHeight(*saved.height);
    // A place off every screen, or partly off it, would leave the window out of reach: it
    // is kept within the screen it names, or else the window's own.
    if (saved.left && saved.top) {
        const auto toPixels = [](double value) {
            return int(std::lround(std::clamp(value / RecorderSettings::twipsPerPixel, -1e6, 1e6)));
        };
        const QPoint wanted(toPixels(*saved.left), toPixels(*saved.top));
        const QScreen *named = QGuiApplication::screenAt(wanted + QPoint(20, 20));
        const QRect area = named ? named->availableGeometry() : availableScreenArea();
        const QSize outer = frameGeometry().size();
        move(std::clamp(wanted.x(), area.left(), area.left() + std::max(area.width() - outer.width(), 0)),
             std::clamp(wanted.y(), area.top(), area.top() + std::max(area.height() - outer.height(), 0)));
    }
    if (saved.height)
        setToggles(*saved.height);
}

void RecorderWindow::setToggles(double heightTwips)
{
    if (heightTwips > 2000) {
        m_compact->show();
        m_expand->hide();
    }
    if (heightTwips < 2800) {
        m_expand->show();
        m_compact->hide();
    }
}

void RecorderWindow::expand()
{
    setOuterHeight(RecorderSettings::expandedHeight);
    m_expand->hide();
    m_compact->show();
    m_compact->setFocus();
}

void RecorderWindow::compact()
{
    setOuterHeight(RecorderSettings::compactHeight);
    m_compact->hide();
    m_expand->show();
    m_expand->setFocus();
}

void RecorderWindow::showHelp()
{
    if (!m_help) {
        m_help = new TroubleshootingWindow(this);
        m_help->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void RecorderWindow::refresh()
{
    const RecorderController::View &v = m_controller.view();
    QPalette statusPalette = m_status->palette();
    statusPalette.setColor(QPalette::Window, statusGrey);
    statusPalette.setColor(QPalette::WindowText, AkLed::colourFromValue(v.statusColour, statusPalette));
    m_status->setPalette(statusPalette);
    m_status->setText(v.statusText);
    m_status->setAccessibleDescription(v.statusText);
    if (m_lamp->ledColour() != v.lampColour)
        m_lamp->setLedColour(v.lampColour);
    m_lamp->setAccessibleDescription(v.statusText);
    m_clock->setText(v.clockText);

    m_recordNow->setVisible(v.recordNowVisible);
    m_recordNow->setEnabled(v.recordNowEnabled);
    m_stop->setVisible(v.stopVisible);
    m_stop->setEnabled(v.stopEnabled);
    m_reset->setEnabled(v.resetEnabled);
    m_save->setEnabled(v.saveEnabled);
    m_mp3->setEnabled(v.outputTypeEnabled);
    m_wav->setEnabled(v.outputTypeEnabled);

    const QSignalBlocker blockMp3(m_mp3), blockWav(m_wav), blockQuality(m_quality),
        blockSize(m_stopAtSize), blockLength(m_stopAtLength), blockTargetSize(m_targetSize),
        blockTargetLength(m_targetLength);
    (v.mp3Chosen ? m_mp3 : m_wav)->setChecked(true);
    m_quality->setCurrentIndex(v.qualityIndex);
    m_stopAtSize->setChecked(v.stopAtSize == 1);
    m_stopAtLength->setChecked(v.stopAtLength == 1);
    m_targetSize->setValue(v.targetSize);
    m_targetLength->setValue(v.targetLength);
    m_targetSizeText->setText(v.targetSizeText);
    m_targetLengthText->setText(v.targetLengthText);
    for (QWidget *w : {static_cast<QWidget *>(m_targetSizeCaption), static_cast<QWidget *>(m_targetSize),
                       static_cast<QWidget *>(m_targetSizeText)})
        w->setEnabled(v.targetSizeControlsEnabled);
    for (QWidget *w : {static_cast<QWidget *>(m_targetLengthCaption), static_cast<QWidget *>(m_targetLength),
                       static_cast<QWidget *>(m_targetLengthText)})
        w->setEnabled(v.targetLengthControlsEnabled);
}

void RecorderWindow::showSize(const QString &text)
{
    m_size->setText(text);
    m_size->setAccessibleDescription(text.trimmed());
}
