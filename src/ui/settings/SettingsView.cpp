#include "SettingsView.h"

#include "LimitText.h"
#include "state/AppState.h"
#include "state/Notifier.h"
#include "ui/dates/DateTexts.h"
#include "ui/style/PanelStyle.h"
#include "ui/style/SystemColors.h"
#include "ui/style/SystemFont.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/PanelButton.h"
#include "ui/widgets/SectionBox.h"
#include "ui/widgets/WarningBanner.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kHeaderSymbolSide = 18;
constexpr int kButtonHeight = 26;
const QString kCannotDeleteHistory =
    QStringLiteral("Impossibile eliminare la cronologia: history.sqlite è rimasto nella cartella "
                   "di Pallowe.");

QVBoxLayout* column(QWidget* owner, const QMargins& margins, int spacing)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(margins);
    layout->setSpacing(spacing);
    return layout;
}

QCheckBox* toggle(const QString& text, bool checked, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setFont(SystemFont::font(13, QFont::Normal));
    box->setChecked(checked);
    return box;
}

} // namespace

SettingsView::SettingsView(AppState* state, const AppSettings& currentSettings, Notifier* notifier,
                           std::function<void()> onClose, QWidget* parent)
    : QWidget(parent), m_state(state), m_notifier(notifier), m_onClose(std::move(onClose)),
      m_draft(currentSettings)
{
    setObjectName(QStringLiteral("settingsView"));
    setFixedWidth(kWidth);
    auto* layout = column(this, {}, 0);
    layout->addWidget(buildHeader());
    layout->addWidget(new Divider(this));
    layout->addWidget(buildGroups());
    layout->addWidget(new Divider(this));
    layout->addWidget(buildButtons());
}

QString SettingsView::limitText() const
{
    return m_limitField->text();
}

QWidget* SettingsView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(PanelStyle::kDefaultSpacing);
    row->addWidget(PanelStyle::symbol(SymbolIcon::Name::GearshapeFill, PanelStyle::Tone::Blue,
                                      kHeaderSymbolSide, header));
    row->addWidget(PanelStyle::label(QStringLiteral("Impostazioni"), 14, QFont::DemiBold,
                                     PanelStyle::Tone::Primary, header));
    row->addStretch();
    return header;
}

QWidget* SettingsView::buildGroups()
{
    auto* groups = new QWidget(this);
    auto* layout = column(groups, {14, 14, 14, 14}, 14);
    layout->addWidget(buildAlertGroup());
    layout->addWidget(buildCreditsGroup());
    layout->addWidget(buildRefreshGroup());
    layout->addWidget(buildHistoryGroup());
    layout->addWidget(buildSaveError());
    return groups;
}

QWidget* SettingsView::buildAlertGroup()
{
    auto* box = new SectionBox(SymbolIcon::Name::Bell, QStringLiteral("Notifiche"), this);
    box->contentLayout()->setSpacing(10);
    m_alertToggle =
        toggle(QStringLiteral("Attiva notifiche di utilizzo"), m_draft.alertEnabled, box);
    m_alertToggle->setObjectName(QStringLiteral("alertToggle"));
    connect(m_alertToggle, &QCheckBox::toggled, this, &SettingsView::setAlertEnabled);
    box->contentLayout()->addWidget(m_alertToggle);

    m_thresholdBlock = new QWidget(box);
    m_thresholdBlock->setObjectName(QStringLiteral("thresholdBlock"));
    auto* block = column(m_thresholdBlock, {0, 2, 0, 0}, 4);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(PanelStyle::label(QStringLiteral("Soglia di allerta"), 12, QFont::Normal,
                                          PanelStyle::Tone::Primary, m_thresholdBlock));
    titleRow->addStretch();
    m_thresholdText =
        PanelStyle::label({}, 12, QFont::DemiBold, PanelStyle::Tone::Primary, m_thresholdBlock);
    m_thresholdText->setObjectName(QStringLiteral("thresholdText"));
    // The desktop's sans-serif fonts already draw digits at one width, so the number does
    // not shift while the slider moves.
    titleRow->addWidget(m_thresholdText);
    block->addLayout(titleRow);

    m_slider = new QSlider(Qt::Horizontal, m_thresholdBlock);
    m_slider->setObjectName(QStringLiteral("thresholdSlider"));
    // The slider moves in whole steps, so it can only offer 50, 55, ... 95.
    m_slider->setRange(0, (kMaximumThreshold - kMinimumThreshold) / kThresholdStep);
    m_slider->setPageStep(1);
    connect(m_slider, &QSlider::valueChanged, this, &SettingsView::setSliderPosition);
    block->addWidget(m_slider);

    auto* scale = new QHBoxLayout;
    const auto secondary = PanelStyle::Tone::Secondary;
    scale->addWidget(
        PanelStyle::label(QStringLiteral("50%"), 9, QFont::Normal, secondary, m_thresholdBlock));
    scale->addStretch();
    scale->addWidget(
        PanelStyle::label(QStringLiteral("95%"), 9, QFont::Normal, secondary, m_thresholdBlock));
    block->addLayout(scale);
    box->contentLayout()->addWidget(m_thresholdBlock);
    box->contentLayout()->addWidget(buildResetBlock(box));

    m_thresholdBlock->setVisible(m_draft.alertEnabled);
    renderThreshold();
    return box;
}

// Shown with the threshold it depends on: with alerts off there is no threshold to come back
// from.
QWidget* SettingsView::buildResetBlock(QWidget* parent)
{
    m_resetBlock = new QWidget(parent);
    m_resetBlock->setObjectName(QStringLiteral("resetBlock"));
    auto* block = column(m_resetBlock, {}, 4);
    m_resetToggle = toggle(QStringLiteral("Avvisami quando la sessione si ripristina"),
                           m_draft.resetAlert, m_resetBlock);
    m_resetToggle->setObjectName(QStringLiteral("resetToggle"));
    // Another notification the user opts into: switching it on asks, as the alerts' toggle does.
    connect(m_resetToggle, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.resetAlert = on;
        if (on && m_notifier)
            m_notifier->requestPermission();
    });
    block->addWidget(m_resetToggle);
    auto* hint = PanelStyle::label(
        QStringLiteral(
            "Se la sessione corrente ha raggiunto la soglia, un avviso appena si ripristina."),
        10, QFont::Normal, PanelStyle::Tone::Secondary, m_resetBlock);
    hint->setWordWrap(true);
    block->addWidget(hint);
    m_resetBlock->setVisible(m_draft.alertEnabled);
    return m_resetBlock;
}

QWidget* SettingsView::buildCreditsGroup()
{
    auto* box =
        new SectionBox(SymbolIcon::Name::Creditcard, QStringLiteral("Crediti di utilizzo"), this);
    box->contentLayout()->setSpacing(10);
    m_creditsToggle =
        toggle(QStringLiteral("Mostra crediti aggiuntivi"), m_draft.showExtraCredits, box);
    m_creditsToggle->setObjectName(QStringLiteral("creditsToggle"));
    box->contentLayout()->addWidget(m_creditsToggle);

    m_limitBlock = new QWidget(box);
    m_limitBlock->setObjectName(QStringLiteral("limitBlock"));
    auto* block = column(m_limitBlock, {0, 2, 0, 0}, 4);
    block->addWidget(PanelStyle::label(QStringLiteral("Limite mensile personalizzato"), 12,
                                       QFont::Normal, PanelStyle::Tone::Primary, m_limitBlock));
    auto* fieldRow = new QHBoxLayout;
    fieldRow->setSpacing(4);
    fieldRow->addWidget(PanelStyle::label(QStringLiteral("€"), 12, QFont::Normal,
                                          PanelStyle::Tone::Secondary, m_limitBlock));
    m_limitField = new QLineEdit(LimitText::format(m_draft.extraCreditsMonthlyLimit), m_limitBlock);
    m_limitField->setObjectName(QStringLiteral("limitField"));
    m_limitField->setPlaceholderText(QStringLiteral("Automatico dall'API"));
    m_limitField->setFont(SystemFont::font(12, QFont::Normal));
    // Qt's default placeholder is half-black whatever the theme: unreadable on a dark field.
    PanelStyle::follow(m_limitField, [this] {
        const QPalette base = PanelStyle::basePalette(m_limitField);
        QPalette own = m_limitField->palette();
        own.setColor(QPalette::PlaceholderText,
                     SystemColors::readableOn(SystemColors::blend(base.color(QPalette::Text),
                                                                  base.color(QPalette::Base), 0.5),
                                              base.color(QPalette::Base)));
        m_limitField->setPalette(own);
    });
    fieldRow->addWidget(m_limitField);
    block->addLayout(fieldRow);
    block->addWidget(PanelStyle::label(QStringLiteral("Lascia vuoto per usare il valore dell'API."),
                                       10, QFont::Normal, PanelStyle::Tone::Secondary,
                                       m_limitBlock));
    box->contentLayout()->addWidget(m_limitBlock);

    m_limitBlock->setVisible(m_draft.showExtraCredits);
    connect(m_creditsToggle, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.showExtraCredits = on;
        m_limitBlock->setVisible(on);
    });
    return box;
}

QWidget* SettingsView::buildRefreshGroup()
{
    auto* box =
        new SectionBox(SymbolIcon::Name::ArrowClockwise, QStringLiteral("Aggiornamento"), this);
    box->contentLayout()->setSpacing(4);
    m_backgroundToggle = toggle(QStringLiteral("Aggiorna anche con il pannello chiuso"),
                                m_draft.backgroundRefresh, box);
    m_backgroundToggle->setObjectName(QStringLiteral("backgroundToggle"));
    connect(m_backgroundToggle, &QCheckBox::toggled, this,
            [this](bool on) { m_draft.backgroundRefresh = on; });
    box->contentLayout()->addWidget(m_backgroundToggle);
    auto* hint = PanelStyle::label(
        DateTexts::everyText(m_state->refreshLoop()->interval()) +
            QStringLiteral("; le notifiche arrivano anche senza aprire il pannello."),
        10, QFont::Normal, PanelStyle::Tone::Secondary, box);
    hint->setObjectName(QStringLiteral("refreshHint"));
    hint->setWordWrap(true);
    box->contentLayout()->addWidget(hint);
    return box;
}

QWidget* SettingsView::buildHistoryGroup()
{
    auto* box = new SectionBox(SymbolIcon::Name::ChartBarFill, QStringLiteral("Cronologia"), this);
    box->contentLayout()->setSpacing(4);
    m_historyToggle =
        toggle(QStringLiteral("Conserva la cronologia dell'utilizzo"), m_draft.keepHistory, box);
    m_historyToggle->setObjectName(QStringLiteral("historyToggle"));
    connect(m_historyToggle, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.keepHistory = on;
        renderHistory();
    });
    box->contentLayout()->addWidget(m_historyToggle);
    auto* hint = PanelStyle::label(
        QStringLiteral("Le letture, mai la chiave di sessione, restano 90 giorni in "
                       "history.sqlite nella cartella di Pallowe."),
        10, QFont::Normal, PanelStyle::Tone::Secondary, box);
    hint->setObjectName(QStringLiteral("historyHint"));
    hint->setWordWrap(true);
    box->contentLayout()->addWidget(hint);

    m_historyFailure = new WarningBanner(box);
    m_historyFailure->setObjectName(QStringLiteral("historyFailureBanner"));
    box->contentLayout()->addWidget(m_historyFailure);
    connect(m_state->history(), &UsageHistory::failureChanged, this, &SettingsView::renderHistory);

    m_openHistory = new PanelButton(PanelButton::Kind::Neutral,
                                    QStringLiteral("Apri la cronologia"), kButtonHeight, box);
    m_openHistory->setObjectName(QStringLiteral("openHistoryButton"));
    connect(m_openHistory, &QPushButton::clicked, m_state, &AppState::openHistory);
    box->contentLayout()->addSpacing(4);
    box->contentLayout()->addWidget(m_openHistory, 0, Qt::AlignLeft);

    // Off keeps the readings unless the user asks otherwise.
    m_deleteHistory = toggle(QStringLiteral("Elimina anche la cronologia salvata"), false, box);
    m_deleteHistory->setObjectName(QStringLiteral("deleteHistoryToggle"));
    box->contentLayout()->addWidget(m_deleteHistory);
    renderHistory();
    return box;
}

void SettingsView::renderHistory()
{
    const bool on = m_draft.keepHistory;
    m_historyFailure->setText(m_state->history()->failure().value_or(QString()));
    m_historyFailure->setVisible(on && m_state->history()->failure());
    m_openHistory->setVisible(on);
    m_deleteHistory->setVisible(!on && m_state->history()->exists());
}

QWidget* SettingsView::buildSaveError()
{
    m_saveError = new WarningBanner(this);
    m_saveError->setObjectName(QStringLiteral("saveErrorBanner"));
    m_saveError->hide();
    return m_saveError;
}

QWidget* SettingsView::buildButtons()
{
    auto* buttons = new QWidget(this);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(PanelStyle::kDefaultSpacing);

    // Alike in height and shape; "Salva" carries the accent.
    auto* cancel = new PanelButton(PanelButton::Kind::Neutral, QStringLiteral("Annulla"),
                                   kButtonHeight, buttons);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Escape));
    connect(cancel, &QPushButton::clicked, this, [this] { m_onClose(); });
    row->addWidget(cancel);
    row->addStretch();

    auto* save =
        new PanelButton(PanelButton::Kind::Accent, QStringLiteral("Salva"), kButtonHeight, buttons);
    save->setObjectName(QStringLiteral("saveButton"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    connect(save, &QPushButton::clicked, this, &SettingsView::save);
    row->addWidget(save);
    return buttons;
}

void SettingsView::setAlertEnabled(bool enabled)
{
    m_draft.alertEnabled = enabled;
    m_thresholdBlock->setVisible(enabled);
    m_resetBlock->setVisible(enabled);
    // Only switching on asks; the value the form opened with never does.
    if (enabled && m_notifier)
        m_notifier->requestPermission();
}

void SettingsView::setSliderPosition(int position)
{
    m_draft.alertThresholdPercent = kMinimumThreshold + position * kThresholdStep;
    renderThreshold();
}

void SettingsView::renderThreshold()
{
    const qint64 threshold = m_draft.alertThresholdPercent;
    const PanelStyle::Tone tone = PanelStyle::thresholdTone(threshold);
    m_thresholdText->setText(QString::number(threshold) + QLatin1Char('%'));
    PanelStyle::setTone(m_thresholdText, tone);

    // A stored threshold between the steps or off the scale is shown at the nearest step
    // without changing it; clamped first, so no stored number can overflow the arithmetic.
    const qint64 onScale = std::clamp<qint64>(threshold, kMinimumThreshold, kMaximumThreshold);
    const int position = int(std::lround(double(onScale - kMinimumThreshold) / kThresholdStep));
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(position);
    PanelStyle::follow(m_slider, [this, tone] {
        QPalette tint = m_slider->palette();
        tint.setColor(QPalette::Highlight,
                      PanelStyle::symbolColor(tone, PanelStyle::basePalette(m_slider)));
        m_slider->setPalette(tint);
    });
}

void SettingsView::save()
{
    const QString text = m_limitField->text();
    m_draft.extraCreditsMonthlyLimit = text.isEmpty() ? std::nullopt : LimitText::parse(text);
    const bool deleteHistory = !m_draft.keepHistory && m_deleteHistory->isChecked();
    // The state keeps them either way; the form stays to say they were not stored, and
    // "Salva" can try again.
    QStringList failures;
    if (const auto failure = m_state->saveSettings(m_draft))
        failures << *failure;
    // After the save, so that no refresh writes a reading again.
    if (deleteHistory && !m_state->history()->deleteAll())
        failures << kCannotDeleteHistory;
    if (!failures.isEmpty()) {
        m_saveError->setText(failures.join(u'\n'));
        m_saveError->show();
        return;
    }
    m_onClose();
}
