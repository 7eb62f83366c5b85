#pragma once

#include "SymbolIcon.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <functional>

class QLabel;
class QToolButton;
class QWidget;

// The handful of looks the panels and the settings form share: texts in a given size and
// tone, borderless buttons and symbol images. Every colour is taken from the palette and
// taken again whenever the palette or the desktop theme changes.
class PanelStyle
{
public:
    // Default spacing between neighbouring elements of a row.
    static constexpr int kDefaultSpacing = 8;

    enum class Tone
    {
        Primary,
        Secondary,
        Blue,
        Orange,
        Red,
        OnAccent,
    };
    // As text, the named colours are darkened or lightened until they read on the panel.
    static QColor textColor(Tone tone, const QPalette& palette);
    static QColor symbolColor(Tone tone, const QPalette& palette);
    // The alert threshold's tone: orange from 70, red from 85.
    static Tone thresholdTone(qint64 threshold);
    // The palette a widget inherits, before any colour of its own.
    static QPalette basePalette(const QWidget* widget);

    // Runs restyle now and again on every change of the widget's palette or of the desktop
    // theme; a later call replaces the earlier restyle.
    static void follow(QWidget* widget, std::function<void()> restyle);
    static void setTextColor(QWidget* widget, const QColor& color);
    static void setTone(QWidget* widget, Tone tone);

    static QLabel* label(const QString& text, qreal size, QFont::Weight weight,
                         Tone tone = Tone::Primary, QWidget* parent = nullptr);

    // A square image of a symbol; the side is in pixels.
    static QLabel* symbol(SymbolIcon::Name name, Tone tone, int side, QWidget* parent = nullptr);

    // A borderless button showing only a symbol.
    static QToolButton* plainSymbolButton(SymbolIcon::Name name, Tone tone, int side,
                                          const QString& toolTip, QWidget* parent = nullptr);
    // A borderless button showing only a text.
    static QToolButton* plainTextButton(const QString& text, qreal size, Tone tone,
                                        QWidget* parent = nullptr);
};
