// pallowe-history-seed: writes made-up readings, one per interval up to now, into
// history.sqlite in Pallowe's data folder (XDG_DATA_HOME decides where), through the same
// store the program writes with. Working days fill the session and the weekly window; nights
// and weekends leave them still, except the last three hours, busy whatever the day, so the
// current session has something to show. The same arguments at the same moment give the same
// readings.
//   pallowe-history-seed [--days=N] [--interval=SECONDS] [--org-id=ID]
// The organization is the stored session's unless --org-id is given.

#include "state/PrintableText.h"
#include "storage/AppDataFolder.h"
#include "storage/CredentialStore.h"
#include "storage/HistoryStore.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 kFiveHours = 5 * 3600;
constexpr qint64 kWeek = 7 * 86400;
constexpr qint64 kMondayOffset = 4 * 86400; // 1970-01-01 was a Thursday
constexpr qint64 kBusyLately = 3 * 3600;

struct Options
{
    int days = 7;
    int intervalSeconds = 300;
    QString orgId;
};

bool isWorkingTime(const QDateTime& moment)
{
    const int hour = moment.time().hour();
    return moment.date().dayOfWeek() <= 5 && hour >= 8 && hour < 19;
}

// Percent of the session window that one active minute takes on that day: some days light,
// some heavy enough to reach 100 % before the reset.
double sessionPace(const QDateTime& moment)
{
    QRandomGenerator generator(quint32(moment.date().toJulianDay()));
    return 0.12 + generator.bounded(0.3);
}

QString resetText(qint64 epochSeconds)
{
    return QDateTime::fromSecsSinceEpoch(epochSeconds, Qt::UTC)
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral(".000000+00:00");
}

double oneDecimal(double value)
{
    return std::round(std::min(value, 100.0) * 10) / 10;
}

// Walks from the first moment to the last, adding up the active minutes of the session and
// the weekly window the walk is in.
class Simulation
{
public:
    HistoryReading readingAt(qint64 epochSeconds, int intervalSeconds, bool busy)
    {
        const QDateTime moment = QDateTime::fromSecsSinceEpoch(epochSeconds, Qt::UTC);
        const qint64 sessionEnd = (epochSeconds / kFiveHours + 1) * kFiveHours;
        const qint64 weekEnd = ((epochSeconds - kMondayOffset) / kWeek + 1) * kWeek + kMondayOffset;
        if (sessionEnd != m_sessionEnd)
            m_session = 0;
        if (weekEnd != m_weekEnd)
            m_week = 0;
        m_sessionEnd = sessionEnd;
        m_weekEnd = weekEnd;
        if (busy || isWorkingTime(moment)) {
            m_session += sessionPace(moment) * intervalSeconds / 60;
            m_week += 0.022 * intervalSeconds / 60;
        }
        return {moment, usage(moment)};
    }

private:
    UsageResponse usage(const QDateTime& moment) const
    {
        UsageResponse usage;
        usage.fiveHour = UsageWindow{oneDecimal(m_session), resetText(m_sessionEnd)};
        usage.sevenDay = UsageWindow{oneDecimal(m_week), resetText(m_weekEnd)};
        usage.sevenDayVelmar = UsageWindow{oneDecimal(m_week * 0.6), resetText(m_weekEnd)};
        usage.sevenDayDrevan = UsageWindow{oneDecimal(m_week * 0.2), resetText(m_weekEnd)};
        ExtraUsage extra;
        extra.isEnabled = true;
        extra.utilization = oneDecimal(moment.date().day() * 1.5);
        usage.extraUsage = extra;
        return usage;
    }

    double m_session = 0;
    double m_week = 0;
    qint64 m_sessionEnd = 0;
    qint64 m_weekEnd = 0;
};

// Takes the whole number of "NAME=N" into the option, when the argument is that option and N
// lies in the range.
bool take(const QString& argument, const char* name, int low, int high, int& option)
{
    const QString prefix = QLatin1String(name) + u'=';
    bool ok = false;
    const int value = argument.mid(prefix.size()).toInt(&ok);
    if (!argument.startsWith(prefix) || !ok || value < low || value > high)
        return false;
    option = value;
    return true;
}

bool take(const QString& argument, const char* name, QString& option)
{
    const QString prefix = QLatin1String(name) + u'=';
    if (!argument.startsWith(prefix) || argument.size() == prefix.size())
        return false;
    option = argument.mid(prefix.size());
    return true;
}

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    for (const QString& argument : arguments.mid(1)) {
        if (!take(argument, "--days", 0, 365, options.days) &&
            !take(argument, "--interval", 1, 86400, options.intervalSeconds) &&
            !take(argument, "--org-id", options.orgId))
            return std::nullopt;
    }
    return options;
}

QList<HistoryReading> readings(const Options& options, qint64 now)
{
    QList<HistoryReading> list;
    Simulation simulation;
    const qint64 first = now - qint64(options.days) * 86400;
    for (qint64 moment = first; moment <= now; moment += options.intervalSeconds)
        list.append(
            simulation.readingAt(moment, options.intervalSeconds, now - moment < kBusyLately));
    return list;
}

int fail(const QString& text)
{
    std::fprintf(stderr, "pallowe-history-seed: %s\n", qPrintable(PrintableText::escaped(text)));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    auto options = parse(QCoreApplication::arguments());
    if (!options)
        return fail(QStringLiteral("uso: pallowe-history-seed [--days=0..365] "
                                   "[--interval=SECONDI] [--org-id=ID]"));
    const QString folder = AppDataFolder::defaultPath();
    if (options->orgId.isEmpty())
        options->orgId = CredentialStore::readOnly(folder).orgId().value_or(QString());
    if (options->orgId.isEmpty())
        return fail(QStringLiteral("nessuna organizzazione: accedi o dai --org-id="));
    const auto list = readings(*options, QDateTime::currentSecsSinceEpoch());
    const auto written = HistoryStore(folder).append(options->orgId, list);
    if (!written.succeeded())
        return fail(written.errorText);
    std::printf("%lld letture in %s\n", static_cast<long long>(list.size()),
                qPrintable(HistoryStore(folder).filePath()));
    return 0;
}
