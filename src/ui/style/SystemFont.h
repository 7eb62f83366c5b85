#pragma once

#include <QFont>

// A font of the given family base (the widget's or the application's) at a fixed point size
// and weight, the way every panel sizes its texts.
class SystemFont
{
public:
    static QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal);
    static QFont font(const QFont& base, qreal pointSize, QFont::Weight weight = QFont::Normal);
};
