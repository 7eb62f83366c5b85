#include "PalloweApp.h"

#include "MenuBarLabel.h"
#include "PopupPanel.h"
#include "state/AppState.h"
#include "ui/dates/DateTexts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>

PalloweApp::PalloweApp(AppState* state, QObject* parent)
    : QObject(parent), m_state(state), m_panel(std::make_unique<PopupPanel>(m_state))
{
    // The panel stepped aside for the sign-in window; it comes back to say why none opened.
    connect(m_state, &AppState::loginWindowFailed, this, &PalloweApp::openPanel);
}

PalloweApp::~PalloweApp()
{
    delete m_tray; // before the menu it points to
}

void PalloweApp::installTrayItem()
{
    if (m_tray)
        return;
    m_menu = std::make_unique<QMenu>();
    connect(m_menu->addAction(QStringLiteral("Apri")), &QAction::triggered, this,
            &PalloweApp::openPanel);
    m_historyEntry = m_menu->addAction(QStringLiteral("Cronologia"));
    connect(m_historyEntry, &QAction::triggered, m_state, &AppState::openHistory);
    const auto followHistory = [this] {
        m_historyEntry->setVisible(m_state->settings().keepHistory);
    };
    connect(m_state, &AppState::settingsChanged, this, followHistory);
    followHistory();
    connect(m_menu->addAction(QStringLiteral("Esci")), &QAction::triggered, qApp,
            &QCoreApplication::quit);

    m_tray = new QSystemTrayIcon(this);
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onTrayClicked(reason); });
    connect(m_state, &AppState::usageChanged, this, [this] { updateTrayFace(); });
    connect(m_state, &AppState::isConfiguredChanged, this, [this] { updateTrayFace(); });
    connect(m_state, &AppState::lastUpdatedChanged, this, &PalloweApp::updateToolTip);
    // The age of the reading is worked out again whenever the tooltip is about to show.
    m_tray->installEventFilter(this);
    // The face takes its colours from the desktop's palette; the panel hears of its changes.
    m_panel->installEventFilter(this);
    updateTrayFace();
    m_tray->show();
}

bool PalloweApp::showFallbackMessage(const QString& title, const QString& body)
{
    if (!m_tray || m_panel->isVisible())
        return false;
    m_tray->showMessage(title, body);
    return true;
}

void PalloweApp::openPanel()
{
    m_panel->openBelow(m_tray ? m_tray->geometry() : QRect());
}

std::optional<qint64> PalloweApp::reading() const
{
    if (!m_state->usage())
        return std::nullopt;
    return m_state->menuBarPercent();
}

void PalloweApp::updateTrayFace(bool force)
{
    const auto percent = reading();
    const bool configured = m_state->isConfigured();
    // Every refresh writes the report; the face is drawn again only when it would differ.
    if (!force && m_faceDrawn && percent == m_drawnPercent && configured == m_drawnConfigured)
        return;
    m_faceDrawn = true;
    m_drawnPercent = percent;
    m_drawnConfigured = configured;
    m_tray->setIcon(MenuBarLabel::icon(percent, configured, m_panel->palette()));
    updateToolTip();
}

void PalloweApp::updateToolTip()
{
    const bool configured = m_state->isConfigured();
    const auto lastUpdated = m_state->lastUpdated();
    const QString age =
        configured && lastUpdated ? DateTexts::updatedText(*lastUpdated, m_clock()) : QString();
    const QString text = MenuBarLabel::toolTip(reading(), configured, age);
    if (text != m_tray->toolTip())
        m_tray->setToolTip(text);
}

bool PalloweApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tray && event->type() == QEvent::ToolTip)
        updateToolTip();
    if (watched == m_panel.get() &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange))
        updateTrayFace(true);
    return QObject::eventFilter(watched, event);
}

void PalloweApp::onTrayClicked(int reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    if (m_panel->isVisible())
        m_panel->hide();
    else if (!m_panel->closedJustNow())
        openPanel();
}
