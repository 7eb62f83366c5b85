#include "PanelStyle.h"

#include "SystemColors.h"
#include "SystemFont.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

QLabel* PanelStyle::label(const QString& text, qreal size, QFont::Weight weight,
                          const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(SystemFont::font(size, weight));
    label->setTextFormat(Qt::PlainText);
    if (color.isValid())
        setTextColor(label, color);
    return label;
}

void PanelStyle::setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QColor PanelStyle::secondary(const QWidget* widget)
{
    return SystemColors::secondary(widget->palette());
}

QLabel* PanelStyle::symbol(SymbolIcon::Name name, const QColor& tint, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    setSymbol(label, name, tint, side);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return label;
}

void PanelStyle::setSymbol(QLabel* label, SymbolIcon::Name name, const QColor& tint, int side)
{
    const qreal ratio = label->devicePixelRatioF();
    QPixmap pixmap = SymbolIcon::icon(name, tint).pixmap(QSize(side, side), ratio);
    label->setPixmap(pixmap);
    label->setFixedSize(side, side);
}

QToolButton* PanelStyle::plainSymbolButton(SymbolIcon::Name name, const QColor& tint, int side,
                                           const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(SymbolIcon::icon(name, tint));
    button->setIconSize(QSize(side, side));
    button->setToolTip(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QToolButton* PanelStyle::plainTextButton(const QString& text, qreal size, const QColor& color,
                                         QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setText(text);
    button->setFont(SystemFont::font(size, QFont::Normal));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setCursor(Qt::PointingHandCursor);
    setTextColor(button, color);
    return button;
}

void PanelStyle::makeProminent(QPushButton* button, int minimumHeight)
{
    const QColor accent = SystemColors::blue();
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                       " border-radius: 6px; padding: 4px 14px; min-height: %2px; }"
                       "QPushButton:pressed { background: %3; }"
                       "QPushButton:disabled { background: %4; }")
            .arg(accent.name())
            .arg(minimumHeight - 8)
            .arg(accent.darker(125).name())
            .arg(accent.lighter(150).name()));
    button->setCursor(Qt::PointingHandCursor);
}
