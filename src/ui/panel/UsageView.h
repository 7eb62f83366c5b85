#pragma once

#include "state/PaceForecast.h"

#include <QDateTime>
#include <QWidget>
#include <functional>

class AppState;
class BarSlot;
class Divider;
class IconTitleLabel;
class PanelHeader;
class QLabel;
class QToolButton;
class SectionBox;
struct UsageResponse;

// The panel while a session is configured: one box per group of rate-limit windows, the
// extra credits, a loading or error state while there is no report, and the footer with the
// last update and the actions. It tells the state's refresh loop when it is shown.
class UsageView : public QWidget
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit UsageView(AppState* state, QWidget* parent = nullptr);

    // The clock the reset and "last updated" texts are computed against.
    void setClock(Clock clock);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildUnsavedNotice();
    QWidget* buildContent();
    QWidget* buildSections();
    QWidget* buildLoadingState();
    QWidget* buildErrorState();
    QWidget* buildFooter();

    void render();
    void renderContent();
    void renderSections(const UsageResponse& usage);
    void renderWeekly(const UsageResponse& usage);
    void renderExtraCredits(const UsageResponse& usage);
    void renderFooter();
    QString weeklyResetLabel(const QString& resetsAt) const;
    QString forecastLabel(PaceForecast::Window window) const;

    AppState* m_state;
    Clock m_clock;

    PanelHeader* m_header = nullptr;
    QWidget* m_unsavedNotice = nullptr;
    QWidget* m_sections = nullptr;
    QWidget* m_loadingState = nullptr;
    QWidget* m_errorState = nullptr;
    QLabel* m_errorText = nullptr;

    SectionBox* m_planBox = nullptr;
    BarSlot* m_fiveHour = nullptr;
    SectionBox* m_weeklyBox = nullptr;
    BarSlot* m_sevenDay = nullptr;
    Divider* m_velmarDivider = nullptr;
    BarSlot* m_sevenDayVelmar = nullptr;
    Divider* m_drevanDivider = nullptr;
    BarSlot* m_sevenDayDrevan = nullptr;
    SectionBox* m_extraBox = nullptr;
    BarSlot* m_extraCredits = nullptr;
    IconTitleLabel* m_extraInactive = nullptr;

    QLabel* m_lastUpdated = nullptr;
    QToolButton* m_refreshButton = nullptr;
};
