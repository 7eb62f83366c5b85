#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The symbols the panels show. The desktop's icon theme provides neutral ones when it has
// them; otherwise, and whenever a tint is asked for, we draw our own so no button is blank.
class SymbolIcon
{
public:
    enum class Name
    {
        ChartBarFill,
        ExclamationmarkTriangleFill,
        Clock,
        Calendar,
        Creditcard,
        XmarkCircle,
        Gearshape,
        GearshapeFill,
        ArrowClockwise,
        RectanglePortraitAndArrowRight,
        PersonBadgeKeyFill,
        Safari,
        Bell,
    };

    static QIcon icon(Name name, const QColor& tint = {});
    // Always our own drawing, in the tint or the symbol's own colour.
    static QIcon drawnIcon(Name name, const QColor& tint = {});
    static QStringList themeNames(Name name);
};
