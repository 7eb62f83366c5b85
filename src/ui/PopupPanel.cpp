#include "PopupPanel.h"

#include "MainView.h"
#include "PopupPlacement.h"
#include "UsageView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {
constexpr qint64 kReopenGuardMilliseconds = 250;
}

PopupPanel::PopupPanel(AppState* state, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_mainView(new MainView(state, this))
{
    setObjectName(QStringLiteral("popupPanel"));
    nameAfterView();
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_mainView);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &PopupPanel::onFocusWindowChanged);
    connect(m_mainView, &MainView::viewChanged, this, &PopupPanel::nameAfterView);
}

void PopupPanel::nameAfterView()
{
    // Never seen on screen (the panel has no title bar), but screen readers and window
    // tools name the panel by it.
    const bool usage = qobject_cast<UsageView*>(m_mainView->currentView()) != nullptr;
    setWindowTitle(usage ? QStringLiteral("Pallowe — Utilizzo")
                         : QStringLiteral("Pallowe — Accesso"));
}

void PopupPanel::openBelow(const QRect& iconGeometry)
{
    m_iconGeometry = iconGeometry;
    adjustSize();
    const QPoint cursor = QCursor::pos();
    const QPoint anchor = iconGeometry.isValid() ? iconGeometry.center() : cursor;
    const QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(PopupPlacement::topLeft(iconGeometry, cursor, size(), screen->availableGeometry()));
    show();
    raise();
    activateWindow();
    m_mainView->setFocus(Qt::PopupFocusReason);
}

bool PopupPanel::closedJustNow() const
{
    return m_sinceClosed.isValid() && m_sinceClosed.elapsed() < kReopenGuardMilliseconds;
}

void PopupPanel::hideEvent(QHideEvent* event)
{
    m_sinceClosed.start();
    QWidget::hideEvent(event);
}

void PopupPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QWidget::keyPressEvent(event);
}

void PopupPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        keepOnScreen(); // a panel that grows while open must not run off the screen
}

void PopupPanel::keepOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame = geometry();
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    if (frame.top() < available.top())
        frame.moveTop(available.top());
    if (frame.topLeft() != pos())
        move(frame.topLeft());
}

void PopupPanel::onFocusWindowChanged(QWindow* window)
{
    // Another of our windows (settings, sign-in) took the focus: step out of its way.
    if (isVisible() && window && window != windowHandle())
        hide();
}
