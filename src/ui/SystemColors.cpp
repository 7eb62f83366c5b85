#include "SystemColors.h"

QColor SystemColors::secondary(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.5f);
    return color;
}
