#pragma once

#include <QString>

// The desktop preferences, kept in the group "Desktop" of the preferences file in the
// configuration folder: whether the console starts in the tray, whether the program starts
// with the desktop, whether a start plays the last mix, the sink the sound plays on, and the
// folder the mix file dialogs last used.
//
// Contract: UI thread. Every setter writes the file at once (QSettings replaces it whole,
// so it is never left half-written); a file that cannot be read gives the defaults.
class DesktopPreferences
{
public:
    static constexpr const char *fileName = "preferences.ini";

    explicit DesktopPreferences(const QString &configFolder);

    bool startInTray() const;
    void setStartInTray(bool on);
    bool startWithDesktop() const;
    void setStartWithDesktop(bool on);
    // Off unless chosen, so that a plain start leaves every channel off.
    bool playLastMixAtStart() const;
    void setPlayLastMixAtStart(bool on);
    // The sound server's name of the sink chosen to play on; empty (the desktop's default)
    // unless chosen.
    QString playOnSink() const;
    void setPlayOnSink(const QString &name);
    // Empty until a mix file dialog has been used.
    QString mixFolder() const;
    void setMixFolder(const QString &folder);

    QString path() const { return m_path; }

private:
    QVariant value(const char *key, const QVariant &fallback) const;
    void setValue(const char *key, const QVariant &value);

    QString m_path;
};
