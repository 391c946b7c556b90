#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class AudioOutput;
class PauseControl;

// The program as a media player on the session bus (MPRIS 2, name
// org.mpris.MediaPlayer2.sonivale): what the keyboard's media keys, the desktop's media
// controls and playerctl speak. Play, Pause and Stop map onto pausing the sound, the
// volume onto the program's own stream volume (never the system volume), and the title
// onto the mix file last loaded or saved. Every change is announced with PropertiesChanged.
//
// Contract: UI thread. The pause control, the output and the window actions must outlive
// the service; bus calls reach it from the event loop.
class MprisService : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *busName = "org.mpris.MediaPlayer2.sonivale";
    static constexpr const char *objectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *rootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char *playerInterface = "org.mpris.MediaPlayer2.Player";
    static constexpr const char *defaultTitle = "Sonivale mix";

    struct Window
    {
        std::function<void()> raise;   // the console comes back from the tray, in front
        std::function<void()> quit;    // as "Exit"
    };

    MprisService(QDBusConnection bus, PauseControl &pause, AudioOutput &output, Window window,
                 QObject *parent = nullptr);
    ~MprisService() override;

    // Puts the player on the bus; false when there is no bus or the name cannot be had.
    bool publish();

    // The mix that the title names: a file's path, or empty for an unsaved mix.
    void setMixFile(const QString &path);

    PauseControl &pauseControl() { return m_pause; }
    AudioOutput &output() { return m_output; }
    const Window &window() const { return m_window; }
    QString playbackStatus() const;
    QVariantMap metadata() const;

private:
    void announce(const char *interface, const QVariantMap &changed);

    QDBusConnection m_bus;
    PauseControl &m_pause;
    AudioOutput &m_output;
    Window m_window;
    QString m_mixFile;
    bool m_published = false;
};
