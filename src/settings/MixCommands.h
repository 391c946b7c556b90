#pragma once

#include <QObject>
#include <QString>

class ChannelControls;
class FileDialogs;
class SoundEngine;
class UserMessages;
class QWidget;

// The console's mix commands: "Save" and "Load" of mix files, the last-settings file
// written at close and read by "Resume Last", and "Reset All".
//
// They change the console only by giving the channel controls new values, so every
// control that changes runs its handler as a user action would. A file that cannot be
// read or written is reported and changes nothing.
class MixCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *lastSettingsName = "settings.ini";

    // Sounds are reloaded from `programFolder`; the last-settings file lives in
    // `configFolder`, where the file dialogs also start.
    MixCommands(ChannelControls &controls, SoundEngine &engine, FileDialogs &dialogs, UserMessages &messages,
                const QString &programFolder, const QString &configFolder, QObject *parent = nullptr);

    // "Save" adds ".smf" to a name without an extension. Both dialogs start in the folder
    // last used, at first in the user's documents folder.
    void save(QWidget *parent);
    void load(QWidget *parent);
    // Loads `path` as "Load" does once a file is chosen, with the same messages; true
    // when the mix was applied.
    bool loadFile(QWidget *parent, const QString &path);
    // Rebuilds every channel buffer from the channel's own sound file and applies the
    // last-settings file as "Load" would; afterwards every channel whose switch is on
    // plays its own sound, or the one chosen for it (the chooser puts that back). Without a valid last-settings file it only says so.
    void resumeLast(QWidget *parent);
    void resetAll();
    void writeLastSettings(QWidget *parent);

    QString lastSettingsPath() const;

    QString dialogFolder() const { return m_dialogFolder; }
    // A folder that no longer exists is not taken.
    void setDialogFolder(const QString &folder);

signals:
    // A mix was loaded from, or saved to, `path`.
    void mixFileChanged(const QString &path);
    // Load, Resume Last or Reset All put a whole mix on the console.
    void mixApplied();
    // A dialog's file was in `folder`, where the next dialog starts.
    void dialogFolderChanged(const QString &folder);

    // "Reset All" clears the window's "Start In Tray" check box between switching off
    // channels 1-5 and channels 6-14.
    void startInTrayCleared();

private:
    void restartSwitchedOn();
    void rememberFolderOf(const QString &path);

    ChannelControls &m_controls;
    SoundEngine &m_engine;
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    QString m_programFolder;
    QString m_configFolder;
    QString m_dialogFolder;
};
