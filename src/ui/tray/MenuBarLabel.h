#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPalette>
#include <QString>
#include <optional>

// The tray item's face: a gauge whose needle and colour follow the usage percentage and,
// once a session is configured, the percentage number under a squat gauge; until the
// session's first report there is no percentage, and the squat gauge rests. The colours are
// the palette's (brighter on a dark desktop); a rim of the band's own dark hue keeps them
// clear of a light panel. Everything else is a pure function of the percentage and the
// configured flag.
class MenuBarLabel
{
public:
    enum class Needle
    {
        Bottom,
        Third,
        TwoThirds,
        Full
    };
    enum class Band
    {
        Green,
        Orange,
        Red
    };

    static Needle needle(qint64 percent);
    static Band band(qint64 percent);
    // As on a light desktop, and as the desktop's palette shows it.
    static QColor color(qint64 percent);
    static QColor color(qint64 percent, const QPalette& palette);
    static QString percentText(qint64 percent);
    // The second line, when given, says how old the reading is.
    static QString toolTip(std::optional<qint64> percent, bool configured, const QString& age = {});

    // Square sizes the tray may ask for; icon() holds one pixmap for each. Without a palette,
    // the application's.
    static QList<int> iconSizes();
    static QImage image(std::optional<qint64> percent, bool configured, int size);
    static QImage image(std::optional<qint64> percent, bool configured, int size,
                        const QPalette& palette);
    static QIcon icon(std::optional<qint64> percent, bool configured);
    static QIcon icon(std::optional<qint64> percent, bool configured, const QPalette& palette);
};
