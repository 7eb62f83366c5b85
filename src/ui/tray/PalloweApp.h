#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class PopupPanel;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The running program's face: the tray item whose face follows the usage of the one AppState
// of the process, and the drop-down panel the item opens.
class PalloweApp : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit PalloweApp(AppState* state, QObject* parent = nullptr);
    ~PalloweApp() override;

    // The clock the tooltip's age of the reading is worked out against.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    AppState* state() const { return m_state; }
    PopupPanel* panel() const { return m_panel.get(); }
    // Null until installTrayItem().
    QSystemTrayIcon* trayItem() const { return m_tray; }

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

    AppState* m_state;
    std::unique_ptr<PopupPanel> m_panel;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_historyEntry = nullptr; // shown while the history is kept
    QSystemTrayIcon* m_tray = nullptr;
    Clock m_clock = [] { return QDateTime::currentDateTime(); };
    std::optional<qint64> m_drawnPercent;
    bool m_drawnConfigured = false;
    bool m_faceDrawn = false;
};
