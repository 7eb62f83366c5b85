#include "PopupPanel.h"

#include "PopupPlacement.h"
#include "platform/X11Selection.h"
#include "ui/panel/MainView.h"
#include "ui/panel/UsageView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr qint64 kReopenGuardMilliseconds = 250;
constexpr int kEdgeWidth = 1;
constexpr qreal kCornerRadius = 8;

// Whether windows may be see-through: a compositing manager owns _NET_WM_CM_S0 on X11;
// Wayland and macOS always composite.
bool windowsComposited()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland") || platform == QLatin1String("cocoa"))
        return true;
    return X11Selection::isOwned("_NET_WM_CM_S0");
}

} // namespace

PopupPanel::PopupPanel(AppState* state, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_state(state)
{
    setObjectName(QStringLiteral("popupPanel"));
    auto* layout = new QVBoxLayout(this);
    // The content sits inside the edge.
    layout->setContentsMargins(kEdgeWidth, kEdgeWidth, kEdgeWidth, kEdgeWidth);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &PopupPanel::onFocusWindowChanged);
}

void PopupPanel::buildContent()
{
    // Made on the first opening: a program whose panel stays closed never loads its widgets,
    // fonts and pictures.
    if (m_mainView)
        return;
    m_mainView = new MainView(m_state, this);
    layout()->addWidget(m_mainView);
    connect(m_mainView, &MainView::viewChanged, this, &PopupPanel::nameAfterView);
    nameAfterView();
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
    buildContent();
    matchCompositing();
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

void PopupPanel::matchCompositing()
{
    // Rounded corners need a see-through window, which shows black corners when nothing
    // composites; a compositor can come or go between two openings.
    const bool composited = windowsComposited();
    if (composited == testAttribute(Qt::WA_TranslucentBackground))
        return;
    if (windowHandle())
        destroy(); // the window's pixel format is chosen when it is made
    setAttribute(Qt::WA_TranslucentBackground, composited);
}

void PopupPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor fill = palette().color(QPalette::Window);
    const QPen edge(palette().color(QPalette::Mid), kEdgeWidth);
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(edge);
        painter.setBrush(fill);
        const qreal inset = kEdgeWidth / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset),
                                kCornerRadius, kCornerRadius);
        return;
    }
    painter.fillRect(rect(), fill);
    painter.setPen(edge);
    painter.drawRect(rect().adjusted(0, 0, -kEdgeWidth, -kEdgeWidth));
}

bool PopupPanel::closedJustNow() const
{
    return m_sinceClosed.isValid() && m_sinceClosed.elapsed() < kReopenGuardMilliseconds;
}

void PopupPanel::hideEvent(QHideEvent* event)
{
    m_sinceClosed.start();
    QWidget::hideEvent(event);
    // A closed panel keeps no window, so no pixels to draw it with; the next opening makes
    // both again. Later, because the window system may still be closing it.
    QTimer::singleShot(0, this, &PopupPanel::letGoOfWindow);
}

void PopupPanel::letGoOfWindow()
{
    if (!isVisible() && windowHandle())
        destroy();
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
