#pragma once

#include "state/RefreshLoop.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class LoginWindowLauncher;
class Notifier;
class PopupPanel;
class QMenu;
class QSystemTrayIcon;
class SettingsWindowOpener;
class WakeWatcher;

// The running program: the one AppState of the process, the tray item whose face follows
// the usage, and the drop-down panel the item opens.
class PalloweApp : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        QString dataFolder;
        Notifier* notifier = nullptr;
        LoginWindowLauncher* loginWindows = nullptr;
        std::chrono::milliseconds refreshInterval = RefreshLoop::kDefaultInterval;
        QList<WakeWatcher*> wakeWatchers = {};
    };

    using Clock = std::function<QDateTime()>;

    PalloweApp(const QStringList& arguments, const Services& services, QObject* parent = nullptr);
    ~PalloweApp() override;

    // The clock the tooltip's age of the reading is worked out against.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    AppState* state() const { return m_state; }
    PopupPanel* panel() const { return m_panel.get(); }
    // Null until installTrayItem().
    QSystemTrayIcon* trayItem() const { return m_tray; }

    // The sign-in windows depend on the service origin the state settled on at start-up, so
    // they come after the state.
    void setLoginWindows(LoginWindowLauncher* loginWindows);

    // Puts the item in the tray; call once a tray is there.
    void installTrayItem();
    void openPanel();
    // Shows a notification as the tray's own balloon, for a desktop with no notification
    // server; not while the panel is open, which already shows the state. True if shown.
    bool showFallbackMessage(const QString& title, const QString& body);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateTrayFace(bool force = false);
    void updateToolTip();
    void onTrayClicked(int reason);
    // The percentage the face shows: none before the session's first report.
    std::optional<qint64> reading() const;

    std::unique_ptr<SettingsWindowOpener> m_settingsWindows;
    AppState* m_state;
    std::unique_ptr<PopupPanel> m_panel;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    Clock m_clock = [] { return QDateTime::currentDateTime(); };
    std::optional<qint64> m_drawnPercent;
    bool m_drawnConfigured = false;
    bool m_faceDrawn = false;
};
