#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QTimer>

#include <array>

class Player;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class SystemVolume;
class TrayController;
class TrayIcon;
class UserMessages;

// The console (`Form1`): three bands of channels, the master controls and the commands.
// The sounds belong to the player that the program owns (the channel and master logic in
// ChannelControls and MasterOutput); this window mirrors their values in widgets and
// forwards the user's changes to them.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    struct Services
    {
        SystemVolume *systemVolume;   // required; may fail to open
        UserMessages *messages;       // required
    };

    // `player` must outlive the window.
    MainWindow(Player &player, const Services &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The icon that "Tray" hides the console behind; without one, "Tray" minimises.
    // Attach it before load(), which puts it in the notification area.
    void attachTrayIcon(TrayIcon &icon);

    // The start-up sequence: mixer, tray icon, window shown, audio device, start-in-tray
    // timer, channel sounds, readouts.
    void load();

    // The start-in-tray timer's one tick.
    void startInTrayCheck();
    // "Tray", and the tray icon's double-click: for a start in the tray and the media
    // controls' "Raise".
    void sendToTray();
    void restoreFromTray();

    QTimer &startInTrayTimer() { return m_timer5; }
    QMenu *trayMenu() const { return m_menuM; }
    // The new entries beside the console's own menus ("Playback", between "Menu" and "Help").
    QMenu *playbackMenu() const { return m_playbackMenu; }
    // What the tray icon shows on a context request: the entries of "Menu", then the
    // playback entries that are added to it.
    QMenu *trayPopupMenu() const { return m_trayPopup; }
    // A line under the product name in the tray icon's tooltip (empty for none).
    void setTrayStatus(const QString &status);
    QCheckBox *startInTrayBox() const { return m_check6; }

signals:
    void recordRequested();
    void exitRequested();
    void helpRequested();
    void contactRequested();
    void aboutRequested();
    void unloading();
    // The user asked for the menu of channel 1 to 14's switch, by mouse or keyboard.
    void soundMenuRequested(int channel, const QPoint &globalPosition);

protected:
    void closeEvent(QCloseEvent *event) override;
    // A mix file dropped on the console is loaded as by "Load".
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct ChannelWidgets
    {
        QCheckBox *toggle = nullptr;
        QSlider *volume = nullptr;
        QSlider *pan = nullptr;
        QSlider *frequency = nullptr;
        QLabel *readout = nullptr;
    };

    void buildMenus();
    QWidget *buildChannels();
    QWidget *buildBand(const char *group, int firstChannel, int lastChannel);
    QWidget *buildMaster();
    QWidget *buildOptions();
    void bindChannel(int channel);
    void bindMaster();
    void reportMissingSounds(const QStringList &files);
    void showAvailability();
    void describeSwitch(int channel);
    void showReadout(int channel, const QString &text);
    void closeFromButton();

    Player &m_player;
    Services m_services;
    QPixmap m_background;
    TrayController *m_tray = nullptr;
    std::array<ChannelWidgets, 14> m_widgets;
    QSlider *m_masterVolume = nullptr;
    QSlider *m_masterPan = nullptr;
    QCheckBox *m_check6 = nullptr;
    QMenu *m_menuM = nullptr;
    QMenu *m_playbackMenu = nullptr;
    QMenu *m_trayPopup = nullptr;
    QTimer m_timer5;
    bool m_mixerOpen = false;
};
