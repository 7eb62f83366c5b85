#pragma once

#include <QBasicTimer>
#include <QWidget>

// An indeterminate progress spinner drawn by us, so it looks the same under every style.
// It animates only while visible.
class BusySpinner : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kNormalDiameter = 32;

    explicit BusySpinner(qreal scale = 1.0, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static constexpr int kSpokes = 12;

    qreal m_scale;
    int m_step = 0;
    QBasicTimer m_timer;
};
