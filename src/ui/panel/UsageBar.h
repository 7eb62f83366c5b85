#pragma once

#include "ui/style/PaintedText.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>
#include <optional>

class QVariantAnimation;

// One row of the usage panel: title (and an optional subtitle), the percentage in its band
// colour, a thin track with the coloured fill, and the line under it. A change of percent
// slides the fill and blends its colour; the texts change at once.
class UsageBar : public QWidget
{
    Q_OBJECT

public:
    explicit UsageBar(QWidget* parent = nullptr);
    UsageBar(const QString& title, double percent, const QString& resetLabel,
             const std::optional<QString>& subtitle = std::nullopt, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    double percent() const { return m_percent; }
    QString resetLabel() const { return m_resetLabel; }
    std::optional<QString> subtitle() const { return m_subtitle; }

    void setTitle(const QString& title);
    void setPercent(double percent);
    void setResetLabel(const QString& resetLabel);
    void setSubtitle(const std::optional<QString>& subtitle);

    QString percentText() const { return percentText(m_percent); }
    QColor bandColor() const { return bandColor(m_percent, palette()); }
    static QString percentText(double percent);
    static QColor bandColor(double percent, const QPalette& palette);

    // Every text the row draws.
    using TextLine = PaintedText;
    QList<TextLine> textLines() const;

    QRectF trackRect() const;
    // Width of the fill as drawn now (mid-animation) and once the animation settles.
    qreal fillWidth() const;
    qreal targetFillWidth() const;
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Layout
    {
        QRectF title;
        QRectF subtitle;
        QRectF percent;
        QRectF track;
        QRectF resetLabel;
    };

    Layout layout(int width) const;
    QFont titleFont() const;
    QFont subtitleFont() const;
    QFont percentFont() const;
    QFont resetFont() const;
    qreal headerHeight() const;
    qreal fillWidthFor(double percent) const;
    void onAnimationStep(const QVariant& progress);

    QString m_title;
    double m_percent = 0.0;
    QString m_resetLabel;
    std::optional<QString> m_subtitle;

    QVariantAnimation* m_animation = nullptr;
    double m_shownPercent = 0.0;
    qreal m_progress = 1.0;
    double m_fromPercent = 0.0;
    QColor m_fromColor;
};
