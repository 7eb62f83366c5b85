#include "BusySpinner.h"

#include <QPainter>
#include <QTimerEvent>
#include <cmath>

namespace {
constexpr int kStepMilliseconds = 80;
}

BusySpinner::BusySpinner(qreal scale, QWidget* parent) : QWidget(parent), m_scale(scale)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize BusySpinner::sizeHint() const
{
    const int side = int(std::lround(kNormalDiameter * m_scale));
    return {side, side};
}

void BusySpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal outer = side / 2.0;
    const qreal inner = outer * 0.45;
    QPen pen(palette().color(QPalette::WindowText));
    pen.setWidthF(qMax(1.5, side / 12.0));
    pen.setCapStyle(Qt::RoundCap);
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        // The leading spoke is darkest; the ones behind it fade out.
        const int age = (m_step - spoke + kSpokes) % kSpokes;
        QColor color = pen.color();
        color.setAlphaF(float(1.0 - 0.75 * age / (kSpokes - 1)));
        pen.setColor(color);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * spoke / kSpokes);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + pen.widthF() / 2));
        painter.restore();
    }
}

void BusySpinner::showEvent(QShowEvent*)
{
    m_timer.start(kStepMilliseconds, this);
}

void BusySpinner::hideEvent(QHideEvent*)
{
    m_timer.stop();
}

void BusySpinner::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_step = (m_step + 1) % kSpokes;
    update();
}
