#include "UsageWindow.h"

#include "InternetDateTime.h"
#include "JsonReader.h"

#include <cmath>

UsageWindow UsageWindow::fromJson(const JsonReader& json)
{
    UsageWindow window;
    window.utilization = json.requiredNumber(Key::utilization);
    window.resetsAt = json.requiredString(Key::resetsAt);
    return window;
}

std::optional<QDateTime> UsageWindow::resetMoment() const
{
    using namespace InternetDateTime;
    const auto moment = parse(resetsAt, Fraction::Required);
    return moment ? moment : parse(resetsAt, Fraction::Refused);
}

QString UsageWindow::timeUntilReset(const QDateTime& now) const
{
    const auto moment = resetMoment();
    if (!moment)
        return QString(QChar(0x2013));

    const qint64 millis = now.msecsTo(*moment);
    if (millis <= 0)
        return QStringLiteral("ora");
    const qint64 seconds = millis / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds % 3600) / 60;
    if (seconds < 3600)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1h %2min").arg(hours).arg(minutes);
}

QString UsageWindow::percentText(double utilization)
{
    return QString::asprintf("%.0f%%", utilization);
}

qint64 UsageWindow::wholePercent(double utilization)
{
    const double value = std::trunc(utilization);
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        return 0;
    return static_cast<qint64>(value);
}
