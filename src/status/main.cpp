// pallowe-status: the usage of the stored session for status bars, terminals and scripts.

#include "HistoryExport.h"
#include "StatusCommand.h"
#include "StatusOptions.h"
#include "StopSignals.h"
#include "state/StandardStreams.h"
#include "storage/AppDataFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <memory>

namespace {

constexpr int kUsageExitCode = 64;

} // namespace

int main(int argc, char* argv[])
{
    if (!StandardStreams::prepare())
        return StandardStreams::reportFailedOutput(StatusOptions::kProgram);
    // Qt's own event loop: a reading needs nothing of GLib's, which costs memory to set up.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pallowe-status"));

    const auto options = StatusOptions::parse(QCoreApplication::arguments());
    if (!options) {
        StandardStreams::write(stderr, QStringLiteral("pallowe-status: %1\n%2\n")
                                           .arg(options.error(), StatusOptions::usageLine()));
        return kUsageExitCode;
    }
    if (options->helpRequested || options->versionRequested) {
        const QString text = options->helpRequested ? StatusOptions::helpText()
                                                    : StatusOptions::versionLine() + u'\n';
        return StandardStreams::write(stdout, text)
                   ? 0
                   : StandardStreams::reportFailedOutput(StatusOptions::kProgram);
    }

    // Only here is history.sqlite ever opened: the usage line costs what it did without it.
    if (options->historyDays)
        return HistoryExport(*options, AppDataFolder::defaultPath(),
                             QDateTime::currentDateTimeUtc())
            .run();

    StatusCommand command(*options, AppDataFolder::defaultPath());
    QObject::connect(&command, &StatusCommand::finished, &application, &QCoreApplication::exit);
    // Run once, the program keeps the signals' default action: it is gone at once anyway.
    std::unique_ptr<StopSignals> stopSignals;
    if (options->watch) {
        stopSignals = std::make_unique<StopSignals>();
        QObject::connect(stopSignals.get(), &StopSignals::received, &application,
                         [] { QCoreApplication::exit(0); });
    }
    // From inside the loop, so that a reading that needs no network can still end it.
    QTimer::singleShot(0, &command, &StatusCommand::start);
    return QCoreApplication::exec();
}
