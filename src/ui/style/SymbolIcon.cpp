#include "SymbolIcon.h"

#include "SymbolPainter.h"
#include "SystemColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

bool isColoured(SymbolIcon::Name name)
{
    return name == SymbolIcon::Name::ChartBarFill ||
           name == SymbolIcon::Name::ExclamationmarkTriangleFill;
}

QColor ownColor(SymbolIcon::Name name)
{
    switch (name) {
    case SymbolIcon::Name::ChartBarFill:
        return SystemColors::blue();
    case SymbolIcon::Name::ExclamationmarkTriangleFill:
        return SystemColors::orange();
    default:
        return QGuiApplication::palette().color(QPalette::WindowText);
    }
}

} // namespace

QStringList SymbolIcon::themeNames(Name name)
{
    switch (name) {
    case Name::ChartBarFill:
        return {};
    case Name::ExclamationmarkTriangleFill:
        return {QStringLiteral("dialog-warning")};
    case Name::Clock:
        return {QStringLiteral("clock"), QStringLiteral("chronometer"),
                QStringLiteral("appointment-soon")};
    case Name::Calendar:
        return {QStringLiteral("x-office-calendar"), QStringLiteral("office-calendar")};
    case Name::Creditcard:
        return {QStringLiteral("credit-card")};
    case Name::XmarkCircle:
        return {QStringLiteral("dialog-cancel")};
    case Name::Gearshape:
    case Name::GearshapeFill:
        return {QStringLiteral("preferences-system"), QStringLiteral("configure"),
                QStringLiteral("emblem-system")};
    case Name::ArrowClockwise:
        return {QStringLiteral("view-refresh")};
    case Name::RectanglePortraitAndArrowRight:
        return {QStringLiteral("system-log-out"), QStringLiteral("application-exit")};
    case Name::PersonBadgeKeyFill:
        return {QStringLiteral("dialog-password")};
    case Name::Safari:
        return {QStringLiteral("web-browser"), QStringLiteral("applications-internet")};
    case Name::Bell:
        return {QStringLiteral("preferences-desktop-notification"), QStringLiteral("notification")};
    }
    return {};
}

QIcon SymbolIcon::icon(Name name, const QColor& tint)
{
    if (!tint.isValid() && !isColoured(name)) {
        for (const QString& themeName : themeNames(name)) {
            if (QIcon::hasThemeIcon(themeName))
                return QIcon::fromTheme(themeName);
        }
    }
    return drawnIcon(name, tint);
}

QIcon SymbolIcon::drawnIcon(Name name, const QColor& tint)
{
    return QIcon(new SymbolPainter(name, tint.isValid() ? tint : ownColor(name)));
}
