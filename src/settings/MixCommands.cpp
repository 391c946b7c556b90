#include "settings/MixCommands.h"

#include "engine/ChannelControls.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "platform/FileDialogs.h"
#include "platform/UserMessages.h"
#include "settings/ConsoleMix.h"
#include "settings/MixFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

MixCommands::MixCommands(ChannelControls &controls, SoundEngine &engine, FileDialogs &dialogs,
                         UserMessages &messages, const QString &programFolder, const QString &configFolder,
                         QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_engine(engine)
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_programFolder(programFolder)
    , m_configFolder(configFolder)
{
    // The configuration folder is hidden; people keep their files among their documents.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    m_dialogFolder = QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void MixCommands::save(QWidget *parent)
{
    QString path = m_dialogs.saveFile(parent, m_dialogFolder, QString::fromLatin1(MixFile::dialogFilter));
    if (path.isEmpty())
        return;
    rememberFolderOf(path);
    // The dialog asked about replacing the name it was given, not this one.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".smf");
        if (QFileInfo::exists(path) &&
            !m_messages.ask(parent, QStringLiteral("\"%1\" already exists. Replace it?").arg(path)))
            return;
    }
    QString reason;
    if (!MixFile::write(path, ConsoleMix::capture(m_controls), &reason)) {
        m_messages.warn(parent, QStringLiteral("The mix could not be saved to \"%1\" (%2). "
                                               "Any earlier file of that name is unchanged.")
                                    .arg(path, reason));
        return;
    }
    emit mixFileChanged(path);
}

void MixCommands::load(QWidget *parent)
{
    const QString path = m_dialogs.openFile(parent, m_dialogFolder, QString::fromLatin1(MixFile::dialogFilter));
    if (path.isEmpty())
        return;
    rememberFolderOf(path);
    loadFile(parent, path);
}

bool MixCommands::loadFile(QWidget *parent, const QString &path)
{
    QString reason;
    const std::optional<MixRecord> record = MixFile::read(path, &reason);
    if (!record) {
        m_messages.warn(parent, QStringLiteral("The mix file \"%1\" was not loaded, because %2. Nothing was changed.")
                                    .arg(path, reason));
        return false;
    }
    ConsoleMix::apply(*record, m_controls, m_engine);
    emit mixApplied();
    emit mixFileChanged(path);
    return true;
}

void MixCommands::resumeLast(QWidget *parent)
{
    const QString path = lastSettingsPath();
    QString reason;
    SmallFile::Status status = SmallFile::Status::Read;
    const std::optional<MixRecord> record = MixFile::read(path, &reason, &status);
    if (status == SmallFile::Status::Missing) {
        m_messages.warn(parent, QStringLiteral("There is no last mix to resume yet: it is kept when the console "
                                               "closes. Nothing was changed."));
        return;
    }
    if (!record) {
        m_messages.warn(parent, QStringLiteral("There is no valid last mix to resume: \"%1\" cannot be used, "
                                               "because %2. Nothing was changed.")
                                    .arg(path, reason));
        return;
    }
    const QStringList failed = m_engine.loadChannelSounds(m_programFolder);
    restartSwitchedOn();
    ConsoleMix::apply(*record, m_controls, m_engine);
    emit mixApplied();
    if (!failed.isEmpty()) {
        m_messages.warn(parent, QStringLiteral("These sound files could not be loaded, so their channels cannot "
                                               "be switched on:\n%1")
                                    .arg(failed.join(QLatin1Char('\n'))));
    }
}

void MixCommands::resetAll()
{
    using Slider = ChannelControls::Slider;
    for (int channel = 1; channel <= 5; ++channel)
        m_controls.setSwitch(channel, 0);
    emit startInTrayCleared();
    for (int channel = 6; channel <= ChannelTable::channelCount; ++channel)
        m_controls.setSwitch(channel, 0);
    for (const Slider kind : {Slider::Volume, Slider::Pan, Slider::Frequency}) {
        for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
            m_controls.setSlider(channel, kind, ChannelControls::startValue(kind));
    }
    emit mixApplied();
}

void MixCommands::writeLastSettings(QWidget *parent)
{
    QDir().mkpath(m_configFolder);
    const QString path = lastSettingsPath();
    QString reason;
    if (!MixFile::write(path, ConsoleMix::capture(m_controls), &reason)) {
        m_messages.warn(parent, QStringLiteral("The mix could not be kept for \"Resume Last\", because \"%1\" "
                                               "could not be written (%2). Any mix kept there before is unchanged.")
                                    .arg(path, reason));
    }
}

QString MixCommands::lastSettingsPath() const
{
    return QDir(m_configFolder).filePath(QString::fromLatin1(lastSettingsName));
}

// The rebuilt buffers are stopped, and a switch that is on would not change and so not
// start its channel; turning such switches off first lets every switch the file shows
// on start its channel's new buffer.
void MixCommands::restartSwitchedOn()
{
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        if (m_controls.switchState(channel) == 1)
            m_controls.setSwitch(channel, 0);
    }
}

void MixCommands::setDialogFolder(const QString &folder)
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        m_dialogFolder = folder;
}

void MixCommands::rememberFolderOf(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (folder == m_dialogFolder)
        return;
    m_dialogFolder = folder;
    emit dialogFolderChanged(folder);
}
