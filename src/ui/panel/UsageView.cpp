#include "UsageView.h"

#include "BarSlot.h"
#include "PanelHeader.h"
#include "state/AppState.h"
#include "ui/dates/DateTexts.h"
#include "ui/style/PanelStyle.h"
#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/IconTitleLabel.h"
#include "ui/widgets/SectionBox.h"
#include "ui/widgets/WarningBanner.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 300;
constexpr int kFooterSymbolSide = 14;
constexpr int kTitle2SymbolSide = 22;

QVBoxLayout* column(QWidget* owner, int margin, int spacing)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

UsageView::UsageView(AppState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_clock([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("usageView"));
    setFixedWidth(kPanelWidth);
    auto* layout = column(this, 0, 0);
    m_header = new PanelHeader(this);
    layout->addWidget(m_header);
    layout->addWidget(new Divider(this));
    layout->addWidget(buildUnsavedNotice());
    layout->addWidget(buildContent());
    layout->addWidget(new Divider(this));
    layout->addWidget(buildFooter());

    for (auto signal :
         {&AppState::usageChanged, &AppState::orgNameChanged, &AppState::isLoadingChanged,
          &AppState::errorChanged, &AppState::lastUpdatedChanged, &AppState::settingsChanged,
          &AppState::isSessionUnsavedChanged})
        connect(state, signal, this, &UsageView::render);
    render();
}

void UsageView::setClock(Clock clock)
{
    m_clock = std::move(clock);
    render();
}

void UsageView::showEvent(QShowEvent*)
{
    render(); // the "last updated" text ages while the panel is closed
    m_state->refreshLoop()->setPanelShown(true);
}

void UsageView::hideEvent(QHideEvent*)
{
    m_state->refreshLoop()->setPanelShown(false);
}

QWidget* UsageView::buildUnsavedNotice()
{
    m_unsavedNotice = new QWidget(this);
    auto* layout = column(m_unsavedNotice, 12, 0);
    layout->setContentsMargins(12, 12, 12, 0);
    auto* banner = new WarningBanner(m_unsavedNotice);
    banner->setObjectName(QStringLiteral("unsavedSessionBanner"));
    banner->setText(QStringLiteral(
        "La sessione non è stata salvata: al prossimo avvio servirà un nuovo accesso."));
    layout->addWidget(banner);
    return m_unsavedNotice;
}

QWidget* UsageView::buildContent()
{
    auto* content = new QWidget(this);
    auto* layout = column(content, 0, 0);
    layout->addWidget(buildSections());
    layout->addWidget(buildLoadingState());
    layout->addWidget(buildErrorState());
    return content;
}

QWidget* UsageView::buildSections()
{
    m_sections = new QWidget(this);
    m_sections->setObjectName(QStringLiteral("reportSections"));
    auto* layout = column(m_sections, 12, 12);

    m_planBox = new SectionBox(SymbolIcon::Name::Clock, QStringLiteral("Limiti del piano"), this);
    m_planBox->setObjectName(QStringLiteral("planBox"));
    m_fiveHour = new BarSlot(this);
    m_fiveHour->setObjectName(QStringLiteral("fiveHourBar"));
    m_planBox->contentLayout()->addWidget(m_fiveHour);
    layout->addWidget(m_planBox);

    m_weeklyBox =
        new SectionBox(SymbolIcon::Name::Calendar, QStringLiteral("Limiti settimanali"), this);
    m_weeklyBox->setObjectName(QStringLiteral("weeklyBox"));
    m_weeklyBox->contentLayout()->setSpacing(10);
    m_sevenDay = new BarSlot(this);
    m_sevenDay->setObjectName(QStringLiteral("sevenDayBar"));
    m_velmarDivider = new Divider(this);
    m_velmarDivider->setObjectName(QStringLiteral("velmarDivider"));
    m_sevenDayVelmar = new BarSlot(this);
    m_sevenDayVelmar->setObjectName(QStringLiteral("sevenDayVelmarBar"));
    m_drevanDivider = new Divider(this);
    m_drevanDivider->setObjectName(QStringLiteral("drevanDivider"));
    m_sevenDayDrevan = new BarSlot(this);
    m_sevenDayDrevan->setObjectName(QStringLiteral("sevenDayDrevanBar"));
    for (QWidget* child :
         {static_cast<QWidget*>(m_sevenDay), static_cast<QWidget*>(m_velmarDivider),
          static_cast<QWidget*>(m_sevenDayVelmar), static_cast<QWidget*>(m_drevanDivider),
          static_cast<QWidget*>(m_sevenDayDrevan)})
        m_weeklyBox->contentLayout()->addWidget(child);
    layout->addWidget(m_weeklyBox);

    m_extraBox =
        new SectionBox(SymbolIcon::Name::Creditcard, QStringLiteral("Crediti di utilizzo"), this);
    m_extraBox->setObjectName(QStringLiteral("extraBox"));
    m_extraCredits = new BarSlot(this);
    m_extraCredits->setObjectName(QStringLiteral("extraCreditsBar"));
    m_extraBox->contentLayout()->addWidget(m_extraCredits);
    m_extraInactive =
        new IconTitleLabel(SymbolIcon::Name::XmarkCircle, QStringLiteral("Extra usage non attivo"),
                           11, QFont::Normal, PanelStyle::Tone::Secondary, this);
    m_extraInactive->setObjectName(QStringLiteral("extraInactive"));
    m_extraBox->contentLayout()->addWidget(m_extraInactive);
    layout->addWidget(m_extraBox);
    return m_sections;
}

QWidget* UsageView::buildLoadingState()
{
    m_loadingState = new QWidget(this);
    m_loadingState->setObjectName(QStringLiteral("loadingState"));
    auto* layout = column(m_loadingState, 24, 8);
    auto* spinner = new BusySpinner(1.0, m_loadingState);
    layout->addWidget(spinner, 0, Qt::AlignHCenter);
    auto* text = PanelStyle::label(QStringLiteral("Caricamento..."), 11, QFont::Normal,
                                   PanelStyle::Tone::Secondary, m_loadingState);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    return m_loadingState;
}

QWidget* UsageView::buildErrorState()
{
    m_errorState = new QWidget(this);
    m_errorState->setObjectName(QStringLiteral("errorState"));
    auto* layout = column(m_errorState, 24, 8);
    layout->addWidget(PanelStyle::symbol(SymbolIcon::Name::ExclamationmarkTriangleFill,
                                         PanelStyle::Tone::Orange, kTitle2SymbolSide, m_errorState),
                      0, Qt::AlignHCenter);
    m_errorText =
        PanelStyle::label({}, 11, QFont::Normal, PanelStyle::Tone::Secondary, m_errorState);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setAlignment(Qt::AlignHCenter);
    m_errorText->setWordWrap(true);
    layout->addWidget(m_errorText);
    return m_errorState;
}

QWidget* UsageView::buildFooter()
{
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(14, 8, 14, 8);
    row->setSpacing(8);
    const auto secondary = PanelStyle::Tone::Secondary;

    m_lastUpdated = PanelStyle::label({}, 10, QFont::Normal, secondary, footer);
    m_lastUpdated->setObjectName(QStringLiteral("lastUpdatedText"));
    row->addWidget(m_lastUpdated);
    row->addStretch();

    auto* settings =
        PanelStyle::plainSymbolButton(SymbolIcon::Name::Gearshape, secondary, kFooterSymbolSide,
                                      QStringLiteral("Impostazioni"), footer);
    settings->setObjectName(QStringLiteral("settingsButton"));
    connect(settings, &QToolButton::clicked, m_state, &AppState::openSettings);
    row->addWidget(settings);

    m_refreshButton =
        PanelStyle::plainSymbolButton(SymbolIcon::Name::ArrowClockwise, PanelStyle::Tone::Primary,
                                      kFooterSymbolSide, QStringLiteral("Aggiorna"), footer);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    connect(m_refreshButton, &QToolButton::clicked, m_state, [this] { m_state->refresh(); });
    row->addWidget(m_refreshButton);

    auto* signOut = PanelStyle::plainSymbolButton(SymbolIcon::Name::RectanglePortraitAndArrowRight,
                                                  secondary, kFooterSymbolSide,
                                                  QStringLiteral("Esci / Cambia account"), footer);
    signOut->setObjectName(QStringLiteral("signOutButton"));
    connect(signOut, &QToolButton::clicked, m_state, &AppState::logout);
    row->addWidget(signOut);

    auto* quit = PanelStyle::plainTextButton(QStringLiteral("Esci"), 11, secondary, footer);
    quit->setObjectName(QStringLiteral("quitButton"));
    connect(quit, &QToolButton::clicked, qApp, &QCoreApplication::quit);
    row->addWidget(quit);
    return footer;
}

void UsageView::render()
{
    m_header->setOrgName(m_state->orgName());
    m_header->setStatus(m_state->isLoading(), m_state->error());
    m_unsavedNotice->setVisible(m_state->isSessionUnsaved());
    renderContent();
    renderFooter();
}

void UsageView::renderContent()
{
    const auto& usage = m_state->usage();
    const bool loading = !usage && m_state->isLoading();
    const auto error = m_state->error();
    m_sections->setVisible(usage.has_value());
    m_loadingState->setVisible(loading);
    m_errorState->setVisible(!usage && !loading && error.has_value());
    m_errorText->setText(error.value_or(QString()));
    if (usage)
        renderSections(*usage);
}

void UsageView::renderSections(const UsageResponse& usage)
{
    const QDateTime now = m_clock();
    m_planBox->setVisible(usage.fiveHour.has_value());
    if (usage.fiveHour)
        m_fiveHour->showBar(QStringLiteral("Sessione corrente"), usage.fiveHour->utilization,
                            QStringLiteral("Si ripristina tra ") +
                                usage.fiveHour->timeUntilReset(now.toUTC()),
                            forecastLabel(PaceForecast::Window::FiveHour));
    else
        m_fiveHour->clear();
    renderWeekly(usage);
    renderExtraCredits(usage);
}

void UsageView::renderWeekly(const UsageResponse& usage)
{
    m_weeklyBox->setVisible(usage.sevenDay || usage.sevenDayVelmar || usage.sevenDayDrevan);
    using Window = PaceForecast::Window;
    const auto place = [this](BarSlot* slot, const std::optional<UsageWindow>& window,
                              const QString& title, Window kind) {
        if (window)
            slot->showBar(title, window->utilization, weeklyResetLabel(window->resetsAt),
                          forecastLabel(kind));
        else
            slot->clear();
    };
    place(m_sevenDay, usage.sevenDay, QStringLiteral("Tutti i modelli"), Window::SevenDay);
    // A per-model row is always set apart by a line, even when it comes first.
    m_velmarDivider->setVisible(usage.sevenDayVelmar.has_value());
    place(m_sevenDayVelmar, usage.sevenDayVelmar, QStringLiteral("Solo Velmar"),
          Window::SevenDayVelmar);
    m_drevanDivider->setVisible(usage.sevenDayDrevan.has_value());
    place(m_sevenDayDrevan, usage.sevenDayDrevan, QStringLiteral("Solo Drevan"),
          Window::SevenDayDrevan);
}

void UsageView::renderExtraCredits(const UsageResponse& usage)
{
    const auto& extra = usage.extraUsage;
    const bool shown = m_state->settings().showExtraCredits && extra && extra->isEnabled;
    m_extraBox->setVisible(shown);
    const bool hasBar = shown && extra->utilization.has_value();
    if (hasBar)
        m_extraCredits->showBar(QStringLiteral("Crediti aggiuntivi"), *extra->utilization,
                                extra->currency ? QStringLiteral("Valuta: ") + *extra->currency
                                                : QString());
    else
        m_extraCredits->clear();
    m_extraInactive->setVisible(shown && !hasBar);
}

void UsageView::renderFooter()
{
    const auto lastUpdated = m_state->lastUpdated();
    m_lastUpdated->setVisible(lastUpdated.has_value());
    if (lastUpdated)
        m_lastUpdated->setText(DateTexts::relativeTimeText(*lastUpdated, m_clock()));
    m_refreshButton->setEnabled(!m_state->isLoading());
}

QString UsageView::weeklyResetLabel(const QString& resetsAt) const
{
    return QStringLiteral("Si ripristina ") + DateTexts::resetDateLabel(resetsAt, m_clock());
}

QString UsageView::forecastLabel(PaceForecast::Window window) const
{
    const auto fullAt = m_state->paceForecast().fullAt(window);
    return fullAt ? DateTexts::paceForecastLabel(*fullAt, m_clock()) : QString();
}
