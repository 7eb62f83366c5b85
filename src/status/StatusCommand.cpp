#include "StatusCommand.h"

#include "StatusFormatter.h"
#include "state/PrintableText.h"
#include "state/StandardStreams.h"

StatusCommand::StatusCommand(const StatusOptions& options, const QString& dataFolder,
                             QObject* parent)
    : QObject(parent), m_options(options), m_reader(dataFolder, options.serviceOrigin)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(m_options.refreshInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] { readOnce(); });
}

void StatusCommand::start()
{
    readOnce();
}

QCoro::Task<> StatusCommand::readOnce()
{
    const StatusReading reading = co_await m_reader.read();
    if (!print(reading))
        emit finished(StandardStreams::reportFailedOutput(
            StatusOptions::kProgram)); // nobody reads on: no next reading
    else if (m_options.watch)
        m_timer.start();
    else
        emit finished(reading.exitCode());
}

bool StatusCommand::print(const StatusReading& reading) const
{
    const bool failed = reading.outcome != StatusReading::Outcome::Success;
    if (failed)
        StandardStreams::writeLine(stderr, PrintableText::escaped(reading.errorText));
    // Run once in a terminal, a failed text reading is said once, on standard error; status
    // bars and scripts get a line in their format every time.
    if (failed && !m_options.watch && m_options.format == StatusOptions::Format::Text)
        return true;
    return StandardStreams::writeLine(
        stdout, StatusFormatter(QDateTime::currentDateTimeUtc()).line(m_options.format, reading));
}
