#pragma once

#include <QString>

// The program's entry in the user's XDG autostart folder, named after the application's id
// ("org.sonivale.Sonivale.desktop"), which makes the desktop session start it, hidden in the
// tray, at every login. Earlier versions named it "sonivale.desktop"; an entry of that name
// is the same entry: it counts as enabled, and goes when the entry is written or removed.
//
// Contract: UI thread; each call reads or writes one small file at once. The file is
// written to a temporary file first and then renamed, so it is never half-written.
class Autostart
{
public:
    // `folder` is the autostart folder; tests give their own.
    explicit Autostart(QString folder = defaultFolder());

    // $XDG_CONFIG_HOME/autostart, ~/.config/autostart by default.
    static QString defaultFolder();

    bool isEnabled() const;
    // Writes the entry that starts `program` (a name found on the PATH, or a full path)
    // with --tray. On failure, `error` says why and nothing changed.
    bool enable(const QString &program, QString *error = nullptr);
    // Removes the entry; true when there is none afterwards.
    bool disable(QString *error = nullptr);

    QString entryPath() const;

private:
    QString formerEntryPath() const;

    QString m_folder;
};
