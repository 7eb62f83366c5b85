// pallowe-demo-service: a local stand-in of the Zelvik service for the demo and the tests.

#include "DemoAccount.h"
#include "DemoOptions.h"
#include "DemoServer.h"

#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// Blocked in every thread so that only the main thread's sigwait receives them.
sigset_t blockStopSignals()
{
    sigset_t stopSet;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGINT);
    sigaddset(&stopSet, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSet, nullptr);
    return stopSet;
}

void announce(const DemoOptions& options, int port)
{
    // Scripts read the port from the first line of standard output.
    std::printf("%d\n", port);
    std::fflush(stdout);
    std::fprintf(stderr, "pallowe-demo-service listening on http://%s:%d (speed %g)\n%s\n",
                 qPrintable(options.address), port, options.speed,
                 qPrintable(DemoAccount::describeOrganizations()));
}

} // namespace

int main(int argc, char* argv[])
{
    const sigset_t stopSignals = blockStopSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pallowe-demo-service"));

    const auto options = DemoOptions::fromArguments(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "pallowe-demo-service: %s\nTry --help.\n",
                     qPrintable(options.error()));
        return 2;
    }
    if (options->helpRequested) {
        std::fputs(qPrintable(DemoOptions::helpText()), stdout);
        return 0;
    }

    DemoServer server(*options);
    const int port = server.bind();
    if (port < 0) {
        std::fprintf(stderr, "pallowe-demo-service: cannot listen on %s port %d\n",
                     qPrintable(options->address), options->port);
        return 1;
    }
    announce(*options, port);

    std::atomic<bool> stopping = false;
    std::atomic<bool> failed = false;
    std::thread serving([&server, &stopping, &failed] {
        if (!server.serve() && !stopping) {
            failed = true;
            kill(getpid(), SIGTERM); // wakes the sigwait below
        }
    });
    int received = 0;
    sigwait(&stopSignals, &received);
    stopping = true;
    server.stop();
    serving.join();
    std::fprintf(stderr, "pallowe-demo-service stopped\n");
    return failed ? 1 : 0;
}
