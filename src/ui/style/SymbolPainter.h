#pragma once

#include "SymbolIcon.h"

#include <QIconEngine>

class QPainter;

// Draws one symbol in a square, in a single colour, at any size.
class SymbolPainter : public QIconEngine
{
public:
    SymbolPainter(SymbolIcon::Name name, const QColor& color);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    void drawGlyph(QPainter& painter) const;

    SymbolIcon::Name m_name;
    QColor m_color;
};
