#pragma once

#include "HistoryChartInput.h"
#include "ui/style/PaintedText.h"
#include "ui/style/PanelStyle.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPen>
#include <QPolygonF>
#include <QWidget>
#include <optional>

// Percent over time, drawn: one or two lines, the alert threshold, the resets, a light grid,
// the axes' texts and, under the pointer, the nearest reading's moment and figures. Each line
// is reduced to a few points per pixel column once per size, so a paint costs the same for a
// hundred readings as for tens of thousands. Colours come from the palette at every paint.
class HistoryChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr auto kEmptyText =
        "Nessuna lettura ancora: la cronologia si riempie a ogni aggiornamento";

    explicit HistoryChart(QWidget* parent = nullptr);

    void setInput(HistoryChartInput input);
    const HistoryChartInput& input() const { return m_input; }

    QRectF plotRect() const;
    // The top of the percent axis: 100, or more when a reading went past it.
    double axisTop() const { return m_axisTop; }
    // Where a reading lands; figures off the axis sit on its edge.
    QPointF position(const HistoryChartInput::Point& point) const;
    // Each line as drawn.
    const QList<QPolygonF>& drawnLines() const;
    // The hovered reading's moment, then its figure on each line; empty when none is hovered.
    QString hoverText() const;

    // Every text the chart draws.
    using TextLine = PaintedText;
    QList<TextLine> textLines() const;

    // A line's colour; the main line's changes with its band.
    static QColor inkColor(HistoryChartInput::Ink ink, const QPalette& palette);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Dot
    {
        QPointF at;
        double percent;
    };
    struct Drawn
    {
        QRectF plot;
        QList<QPolygonF> lines;
        QPolygonF area; // under the only line
        QList<Dot> dots;
    };
    struct Bubble
    {
        QRectF box;
        QList<TextLine> lines;
    };

    // Moments and percentages to pixels.
    struct Scale
    {
        QRectF plot;
        qint64 from;
        double xPerMillisecond;
        double yPerPercent;
        double top;
        QPointF operator()(const HistoryChartInput::Point& point) const;
    };

    Scale scale() const;
    const Drawn& drawn() const;
    void forgetDrawn();
    double xOf(qint64 at) const;
    double yOf(double percent) const;
    QList<double> percentTicks() const;
    std::optional<qint64> nearestReading(const QPointF& pointer) const;
    QStringList hoverRows() const;
    std::optional<Bubble> bubble() const;
    QList<TextLine> axisTexts() const;
    QList<TextLine> legendTexts() const;
    QList<TextLine> markTexts() const;

    QPen linePen(HistoryChartInput::Ink ink) const;
    // The settings window's colour for the threshold.
    PanelStyle::Tone thresholdTone() const;
    void paintEmptySymbol(QPainter& painter) const;
    void paintGrid(QPainter& painter) const;
    void paintMarks(QPainter& painter) const;
    void paintLines(QPainter& painter) const;
    void paintHover(QPainter& painter) const;
    void paintLegendSwatches(QPainter& painter) const;

    QFont axisFont() const;
    QFont legendFont() const;
    QFont valueFont() const;
    QFont emptyFont() const;

    HistoryChartInput m_input;
    double m_axisTop = 100;
    std::optional<qint64> m_hovered;
    mutable std::optional<Drawn> m_drawn;
};
