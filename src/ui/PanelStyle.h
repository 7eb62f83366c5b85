#pragma once

#include "SymbolIcon.h"

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

// The handful of looks the panels and the settings form share: texts in a given size and
// colour, borderless buttons, the accent-filled button and symbol images.
class PanelStyle
{
public:
    // Default spacing between neighbouring elements of a row.
    static constexpr int kDefaultSpacing = 8;

    static QLabel* label(const QString& text, qreal size, QFont::Weight weight,
                         const QColor& color = {}, QWidget* parent = nullptr);
    static void setTextColor(QWidget* widget, const QColor& color);
    static QColor secondary(const QWidget* widget);

    // A square image of a symbol; the side is in pixels.
    static QLabel* symbol(SymbolIcon::Name name, const QColor& tint, int side,
                          QWidget* parent = nullptr);
    static void setSymbol(QLabel* label, SymbolIcon::Name name, const QColor& tint, int side);

    // A borderless button showing only a symbol.
    static QToolButton* plainSymbolButton(SymbolIcon::Name name, const QColor& tint, int side,
                                          const QString& toolTip, QWidget* parent = nullptr);
    // A borderless button showing only a text.
    static QToolButton* plainTextButton(const QString& text, qreal size, const QColor& color,
                                        QWidget* parent = nullptr);
    // Filled with the accent colour, white text: the one main action of a window.
    static void makeProminent(QPushButton* button, int minimumHeight);
};
