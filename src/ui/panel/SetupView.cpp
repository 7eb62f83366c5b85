#include "SetupView.h"

#include "PanelHeader.h"
#include "state/AppState.h"
#include "ui/style/PanelStyle.h"
#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/PanelButton.h"
#include "ui/widgets/WarningBanner.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 300;
constexpr int kPromptSymbolSide = 32;
constexpr int kButtonSymbolSide = 16;
constexpr int kLargeControlHeight = 30;
constexpr qreal kButtonSpinnerScale = 0.8;

QLabel* centred(QLabel* label)
{
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

SetupView::SetupView(AppState* state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("setupView"));
    setFixedWidth(kPanelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new PanelHeader(this));
    layout->addWidget(new Divider(this));
    layout->addWidget(buildBody());
    layout->addWidget(new Divider(this));
    layout->addWidget(buildFooter());

    connect(state, &AppState::isLoadingChanged, this, &SetupView::render);
    connect(state, &AppState::errorChanged, this, &SetupView::render);
    render();
}

QWidget* SetupView::buildBody()
{
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(16);
    layout->addWidget(buildPrompt());
    layout->addWidget(buildErrorRow());
    layout->addWidget(buildSignInButton());
    layout->addWidget(buildAnotherAccountButton(), 0, Qt::AlignHCenter);
    return body;
}

QWidget* SetupView::buildErrorRow()
{
    // Leading and no wider than its text. A row of its own rather than an aligned item: the
    // column works out an aligned item's height for the whole width, so a text that wraps
    // within the item's narrower width would be cut.
    m_errorRow = new QWidget(this);
    m_errorRow->setObjectName(QStringLiteral("errorRow"));
    auto* layout = new QHBoxLayout(m_errorRow);
    layout->setContentsMargins(0, 0, 0, 0);
    m_errorBanner = new WarningBanner(m_errorRow);
    layout->addWidget(m_errorBanner);
    layout->addStretch();
    return m_errorRow;
}

QWidget* SetupView::buildPrompt()
{
    auto* prompt = new QWidget(this);
    auto* layout = new QVBoxLayout(prompt);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(PanelStyle::symbol(SymbolIcon::Name::PersonBadgeKeyFill,
                                         PanelStyle::Tone::Blue, kPromptSymbolSide, prompt),
                      0, Qt::AlignHCenter);
    layout->addWidget(
        centred(PanelStyle::label(QStringLiteral("Autenticati con Zelvik"), 13, QFont::DemiBold,
                                  PanelStyle::Tone::Primary, prompt)));
    auto* explanation = centred(PanelStyle::label(
        QStringLiteral("Accedi al tuo account Zelvik per visualizzare i limiti di utilizzo del "
                       "tuo piano."),
        11, QFont::Normal, PanelStyle::Tone::Secondary, prompt));
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    return prompt;
}

QPushButton* SetupView::buildSignInButton()
{
    m_signIn = new PanelButton(PanelButton::Kind::Accent, {}, kLargeControlHeight, this);
    m_signIn->setObjectName(QStringLiteral("signInButton"));
    auto* row = new QHBoxLayout(m_signIn);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(PanelStyle::kDefaultSpacing);
    row->addStretch();
    m_signInSpinner = new BusySpinner(
        kButtonSpinnerScale * kButtonSymbolSide / BusySpinner::kNormalDiameter, m_signIn);
    m_signInSpinner->setObjectName(QStringLiteral("signInSpinner"));
    PanelStyle::setTone(m_signInSpinner, PanelStyle::Tone::OnAccent);
    m_signInSymbol = PanelStyle::symbol(SymbolIcon::Name::Safari, PanelStyle::Tone::OnAccent,
                                        kButtonSymbolSide, m_signIn);
    m_signInSymbol->setObjectName(QStringLiteral("signInSymbol"));
    m_signInText = PanelStyle::label({}, 13, QFont::Normal, PanelStyle::Tone::OnAccent, m_signIn);
    m_signInText->setObjectName(QStringLiteral("signInText"));
    for (QWidget* part :
         {static_cast<QWidget*>(m_signInSpinner), static_cast<QWidget*>(m_signInSymbol),
          static_cast<QWidget*>(m_signInText)}) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
        row->addWidget(part);
    }
    row->addStretch();
    connect(m_signIn, &QPushButton::clicked, m_state, &AppState::startOAuthLogin);
    connect(m_signIn, &QPushButton::clicked, this, &SetupView::stepAside);
    setFocusProxy(m_signIn); // the panel's one purpose: Space signs in
    return m_signIn;
}

QToolButton* SetupView::buildAnotherAccountButton()
{
    // Signing out leaves the sign-in window's cookies, which would sign the same account in
    // again at once.
    m_anotherAccount = PanelStyle::plainTextButton(QStringLiteral("Usa un altro account"), 11,
                                                   PanelStyle::Tone::Secondary, this);
    m_anotherAccount->setObjectName(QStringLiteral("anotherAccountButton"));
    connect(m_anotherAccount, &QToolButton::clicked, m_state, &AppState::startOtherAccountLogin);
    connect(m_anotherAccount, &QToolButton::clicked, this, &SetupView::stepAside);
    return m_anotherAccount;
}

void SetupView::stepAside()
{
    // The sign-in window is another program's: a drop-down left open would sit over it.
    if (window()->windowFlags().testFlag(Qt::Popup))
        window()->hide();
}

QWidget* SetupView::buildFooter()
{
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(14, 8, 14, 8);
    row->setSpacing(PanelStyle::kDefaultSpacing);
    row->addStretch();
    auto* quit = PanelStyle::plainTextButton(QStringLiteral("Esci"), 11,
                                             PanelStyle::Tone::Secondary, footer);
    quit->setObjectName(QStringLiteral("quitButton"));
    connect(quit, &QToolButton::clicked, qApp, &QCoreApplication::quit);
    row->addWidget(quit);
    return footer;
}

void SetupView::render()
{
    const auto error = m_state->error();
    m_errorRow->setVisible(error.has_value());
    m_errorBanner->setText(error.value_or(QString()));

    const bool loading = m_state->isLoading();
    m_signIn->setEnabled(!loading);
    m_anotherAccount->setEnabled(!loading);
    m_signInSpinner->setVisible(loading);
    m_signInSymbol->setVisible(!loading);
    m_signInText->setText(loading ? QStringLiteral("Connessione...")
                                  : QStringLiteral("Accedi con Zelvik"));
}
