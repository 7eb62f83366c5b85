#pragma once

#include <QFont>

// The application font at a given point size and weight, the way every panel sizes its texts.
class SystemFont
{
public:
    static QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal);
};
