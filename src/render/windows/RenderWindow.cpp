#include "render/windows/RenderWindow.h"

#include "platform/FileDialogs.h"
#include "platform/UserMessages.h"
#include "render/MixSnapshot.h"
#include "render/RenderJob.h"
#include "render/SndFileWriter.h"
#include "settings/Duration.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox *secondsBox(const QString &objectName, const QString &accessibleName)
{
    auto *box = new QSpinBox;
    box->setObjectName(objectName);
    box->setRange(0, Duration::longestMinutes * 60);
    box->setSuffix(QStringLiteral(" s"));
    box->setAccessibleName(accessibleName);
    return box;
}

}

RenderWindow::RenderWindow(Services services, QWidget *parent)
    : QDialog(parent)
    , m_services(std::move(services))
{
    if (!m_services.makeWriter)
        m_services.makeWriter = [] { return std::make_unique<SndFileWriter>(); };
    if (m_services.folder.isEmpty() || !QFileInfo(m_services.folder).isDir())
        m_services.folder = QDir::homePath();
    setObjectName(QStringLiteral("renderWindow"));
    setWindowTitle(tr("Render Mix"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildForm());
    layout->addWidget(buildProgress());

    auto *buttons = new QDialogButtonBox;
    m_render = buttons->addButton(tr("&Render"), QDialogButtonBox::AcceptRole);
    m_render->setObjectName(QStringLiteral("render"));
    m_render->setDefault(true);
    m_cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_close = buttons->addButton(QDialogButtonBox::Close);
    m_close->setObjectName(QStringLiteral("close"));
    layout->addWidget(buttons);
    connect(m_render, &QPushButton::clicked, this, &RenderWindow::startRender);
    connect(m_cancel, &QPushButton::clicked, this, &RenderWindow::cancelRender);
    connect(m_close, &QPushButton::clicked, this, &RenderWindow::close);
    setRendering(false);
    formatChosen();
}

RenderWindow::~RenderWindow() = default;

RenderWindow *RenderWindow::showFor(QWidget *parent, const Services &services)
{
    auto *window = parent ? parent->findChild<RenderWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new RenderWindow(services, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget *RenderWindow::buildForm()
{
    m_form = new QWidget;
    auto *form = new QFormLayout(m_form);

    m_length = new QSpinBox;
    m_length->setObjectName(QStringLiteral("length"));
    m_length->setAccessibleName(tr("Length"));
    m_unit = new QComboBox;
    m_unit->setObjectName(QStringLiteral("lengthUnit"));
    m_unit->setAccessibleName(tr("Length unit"));
    // Screen readers on this desktop name a combo box by its current text; the description
    // still says what it chooses.
    m_unit->setAccessibleDescription(tr("Length unit"));
    m_unit->addItems({tr("minutes"), tr("hours")});
    m_unit->setCurrentIndex(1);
    unitChosen();
    m_length->setValue(8);
    connect(m_unit, &QComboBox::currentIndexChanged, this, &RenderWindow::unitChosen);
    auto *length = new QHBoxLayout;
    length->addWidget(m_length);
    length->addWidget(m_unit);
    length->addStretch();
    auto *lengthLabel = new QLabel(tr("&Length:"));
    lengthLabel->setBuddy(m_length);
    form->addRow(lengthLabel, length);

    m_format = new QComboBox;
    m_format->setObjectName(QStringLiteral("format"));
    for (const RenderFormat &format : RenderFormat::all())
        m_format->addItem(QString::fromLatin1(format.name), static_cast<int>(format.kind));
    m_format->setCurrentIndex(1);
    m_quality = new QLabel;
    m_quality->setObjectName(QStringLiteral("quality"));
    m_quality->setWordWrap(true);
    connect(m_format, &QComboBox::currentIndexChanged, this, &RenderWindow::formatChosen);
    auto *formatLabel = new QLabel(tr("&Format:"));
    formatLabel->setBuddy(m_format);
    form->addRow(formatLabel, m_format);
    form->addRow(QString(), m_quality);

    m_rate = new QComboBox;
    m_rate->setObjectName(QStringLiteral("rate"));
    m_rate->addItem(tr("48000 Hz"), RenderOptions::preferredRate);
    m_rate->addItem(tr("44100 Hz"), RenderOptions::compactDiscRate);
    auto *rateLabel = new QLabel(tr("&Sample rate:"));
    rateLabel->setBuddy(m_rate);
    form->addRow(rateLabel, m_rate);

    m_fadeIn = secondsBox(QStringLiteral("fadeIn"), tr("Fade-in in seconds"));
    m_fadeOut = secondsBox(QStringLiteral("fadeOut"), tr("Fade-out in seconds"));
    auto *fadeInLabel = new QLabel(tr("Fade-&in:"));
    fadeInLabel->setBuddy(m_fadeIn);
    auto *fadeOutLabel = new QLabel(tr("Fade-&out:"));
    fadeOutLabel->setBuddy(m_fadeOut);
    form->addRow(fadeInLabel, m_fadeIn);
    form->addRow(fadeOutLabel, m_fadeOut);

    m_loop = new QCheckBox(tr("Seamless loo&p (the end blends into the beginning; no fades)"));
    m_loop->setObjectName(QStringLiteral("loop"));
    connect(m_loop, &QCheckBox::toggled, this, &RenderWindow::loopToggled);
    form->addRow(QString(), m_loop);

    m_output = new QLineEdit;
    m_output->setObjectName(QStringLiteral("output"));
    m_output->setAccessibleName(tr("File to render to"));
    m_output->setText(QDir(m_services.folder).filePath(QStringLiteral("Sonivale mix.flac")));
    m_browse = new QPushButton(tr("&Browse…"));
    m_browse->setObjectName(QStringLiteral("browse"));
    // Enter renders; a dialog's first auto-default button would take it otherwise.
    m_browse->setAutoDefault(false);
    connect(m_browse, &QPushButton::clicked, this, &RenderWindow::browse);
    connect(m_output, &QLineEdit::textChanged, this, &RenderWindow::outputEdited);
    auto *output = new QHBoxLayout;
    output->addWidget(m_output, 1);
    output->addWidget(m_browse);
    auto *outputLabel = new QLabel(tr("Fil&e:"));
    outputLabel->setBuddy(m_output);
    form->addRow(outputLabel, output);

    auto *note = new QLabel(tr("The file holds the mix as the console plays it when you press Render: the channels "
                               "that are on, at their volume, balance and rate, each sound from the start of its "
                               "loop, with the drift when it is on. The console keeps playing meanwhile."));
    note->setObjectName(QStringLiteral("note"));
    note->setWordWrap(true);
    form->addRow(note);
    return m_form;
}

QWidget *RenderWindow::buildProgress()
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(tr("Render progress"));
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(true);
    m_progress->setFormat(QStringLiteral("%p %"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    return box;
}

RenderOptions RenderWindow::options() const
{
    RenderOptions options;
    const double unitSeconds = m_unit->currentIndex() == 1 ? 3600.0 : 60.0;
    options.lengthSeconds = m_length->value() * unitSeconds;
    options.format = static_cast<RenderFormat::Kind>(m_format->currentData().toInt());
    options.sampleRate = m_rate->currentData().toInt();
    options.seamlessLoop = m_loop->isChecked();
    options.fadeInSeconds = options.seamlessLoop ? 0.0 : m_fadeIn->value();
    options.fadeOutSeconds = options.seamlessLoop ? 0.0 : m_fadeOut->value();
    options.outputPath = m_output->text().trimmed();
    return options;
}

void RenderWindow::startRender()
{
    if (m_job && m_job->isRunning())
        return;
    m_output->setText(RenderOptions::completePath(m_output->text(), m_services.folder,
                                                  static_cast<RenderFormat::Kind>(m_format->currentData().toInt())));
    const RenderOptions chosen = options();
    if (const QString problem = chosen.problem(); !problem.isEmpty()) {
        m_services.messages->warn(this, problem);
        return;
    }
    if (!mayWrite(chosen.outputPath))
        return;
    MixSnapshot snapshot = MixSnapshot::capture(*m_services.engine);
    if (snapshot.isSilent()) {
        m_services.messages->warn(this, tr("No channel is switched on, so there is nothing to render."));
        return;
    }
    m_job = std::make_unique<RenderJob>(std::move(snapshot), chosen, m_services.makeWriter());
    connect(m_job.get(), &RenderJob::progressed, this, &RenderWindow::showProgress);
    connect(m_job.get(), &RenderJob::finished, this, [this](const MixRenderer::Result &result) {
        using Status = MixRenderer::Result::Status;
        const QString path = QDir::toNativeSeparators(m_job->options().outputPath);
        if (result.status == Status::Done) {
            renderDone(true, tr("Rendered to \"%1\".").arg(path));
        } else if (result.status == Status::Cancelled) {
            renderDone(false, tr("Cancelled; nothing was written."));
        } else {
            renderDone(false, tr("Not rendered."));
            m_services.messages->warn(this, result.message);
        }
    });
    m_progress->setValue(0);
    m_status->setText(tr("Rendering…"));
    setRendering(true);
    m_job->start();
}

bool RenderWindow::mayWrite(const QString &path)
{
    if (path == m_confirmedPath || !QFileInfo::exists(path))
        return true;
    if (QFileInfo(path).isDir())
        return true; // refused with its reason by the render itself
    return m_services.messages->ask(
        this, tr("\"%1\" already exists. Replace it?").arg(QDir::toNativeSeparators(path)));
}

void RenderWindow::cancelRender()
{
    if (m_job && m_job->isRunning())
        m_job->cancel();
}

// Minutes of rendering are not thrown away by a stray Escape.
bool RenderWindow::mayStopRender()
{
    if (!m_job || !m_job->isRunning())
        return true;
    return m_services.messages->ask(this, tr("A render is still running. Stop it? Nothing will be written."));
}

void RenderWindow::stopWithoutAsking()
{
    if (m_job)
        m_job->stopAndWait();
}

void RenderWindow::reject()
{
    if (!mayStopRender())
        return;
    stopWithoutAsking();
    QDialog::reject();
}

void RenderWindow::closeEvent(QCloseEvent *event)
{
    if (!mayStopRender()) {
        event->ignore();
        return;
    }
    stopWithoutAsking();
    QDialog::closeEvent(event);
}

void RenderWindow::formatChosen()
{
    const RenderFormat &format = RenderFormat::of(static_cast<RenderFormat::Kind>(m_format->currentData().toInt()));
    m_quality->setText(QString::fromLatin1(format.quality));
    if (format.fixedRate != 0)
        m_rate->setCurrentIndex(m_rate->findData(format.fixedRate));
    m_rate->setEnabled(format.fixedRate == 0 && m_form->isEnabled());
    m_rate->setToolTip(format.fixedRate == 0 ? QString() : QString::fromLatin1(format.quality));

    // The file name follows the format while it names one of ours.
    const QString path = m_output->text().trimmed();
    if (const std::optional<RenderFormat> named = RenderFormat::forPath(path); named && named->kind != format.kind) {
        const QFileInfo info(path);
        m_output->setText(info.dir().filePath(info.completeBaseName() + QLatin1Char('.')
                                              + QString::fromLatin1(format.extension)));
    }
}

// A name typed with one of the formats' extensions chooses that format, as on the command line.
void RenderWindow::outputEdited(const QString &text)
{
    const std::optional<RenderFormat> named = RenderFormat::forPath(text.trimmed());
    if (named && static_cast<int>(named->kind) != m_format->currentData().toInt())
        m_format->setCurrentIndex(m_format->findData(static_cast<int>(named->kind)));
}

void RenderWindow::loopToggled(bool on)
{
    m_fadeIn->setEnabled(!on);
    m_fadeOut->setEnabled(!on);
}

void RenderWindow::unitChosen()
{
    const bool hours = m_unit->currentIndex() == 1;
    // The length stays as long as it was, as near as the new unit can say it.
    const int minutes = m_unitIndex == 1 ? m_length->value() * 60 : m_length->value();
    const bool converting = m_unitIndex != -1 && m_unitIndex != m_unit->currentIndex();
    m_unitIndex = m_unit->currentIndex();
    m_length->setRange(1, hours ? Duration::longestHours : Duration::longestMinutes);
    m_length->setSuffix(hours ? tr(" h") : tr(" min"));
    if (converting)
        m_length->setValue(hours ? (minutes + 30) / 60 : minutes);
}

void RenderWindow::browse()
{
    const RenderFormat &format = RenderFormat::of(static_cast<RenderFormat::Kind>(m_format->currentData().toInt()));
    const QString filter = QStringLiteral("%1 (*.%2)").arg(QString::fromLatin1(format.name), QString::fromLatin1(format.extension));
    const QString folder = QFileInfo(m_output->text().trimmed()).absolutePath();
    QString path = m_services.fileDialogs->saveFile(this, folder, filter);
    if (path.isEmpty())
        return;
    // The dialog asked about replacing the name it returned, not the one an extension makes of it.
    if (const std::optional<RenderFormat> named = RenderFormat::forPath(path)) {
        m_format->setCurrentIndex(m_format->findData(static_cast<int>(named->kind)));
        m_confirmedPath = path;
    } else {
        path += QLatin1Char('.') + QString::fromLatin1(format.extension);
        m_confirmedPath.clear();
    }
    m_output->setText(path);
}

void RenderWindow::showProgress(double fraction, double secondsLeft)
{
    m_progress->setValue(static_cast<int>(fraction * m_progress->maximum()));
    m_status->setText(secondsLeft < 0.0 ? tr("Rendering…")
                                        : tr("About %1 left").arg(Duration::describe(secondsLeft)));
}

void RenderWindow::setRendering(bool rendering)
{
    m_form->setEnabled(!rendering);
    if (!rendering)
        formatChosen();
    m_render->setEnabled(!rendering);
    m_cancel->setEnabled(rendering);
    m_progress->setVisible(rendering || m_progress->value() > 0);
}

void RenderWindow::renderDone(bool written, const QString &status)
{
    setRendering(false);
    m_progress->setValue(written ? m_progress->maximum() : 0);
    m_status->setText(status);
    emit renderFinished(written);
}
