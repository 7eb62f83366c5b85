#include "MainView.h"

#include "SetupView.h"
#include "UsageView.h"
#include "state/AppState.h"

#include <QVBoxLayout>

MainView::MainView(AppState* state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("mainView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(state, &AppState::isConfiguredChanged, this, &MainView::showMatchingView);
    showMatchingView();
}

void MainView::showMatchingView()
{
    const bool wantUsage = m_state->isConfigured();
    if (m_current && (qobject_cast<UsageView*>(m_current) != nullptr) == wantUsage)
        return;
    // The old panel goes away whole (hidden, it lets go of the refresh loop); later, because
    // the switch may come from one of its own buttons.
    if (m_current) {
        layout()->removeWidget(m_current);
        m_current->hide();
        m_current->deleteLater();
    }
    if (wantUsage)
        m_current = new UsageView(m_state, this);
    else
        m_current = new SetupView(m_state, this);
    layout()->addWidget(m_current);
    setFocusProxy(m_current->focusProxy() ? m_current : nullptr);
    m_current->show();
    emit viewChanged();
}
