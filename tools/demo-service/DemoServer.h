#pragma once

#include "DemoOptions.h"
#include "SessionRegistry.h"
#include "UsageSimulation.h"

#include <atomic>
#include <condition_variable>
#include <httplib.h>
#include <mutex>

// The stand-in service: the sign-in page and the two API paths, on cpp-httplib's own worker
// threads. Everything the handlers share is either constant or guarded.
class DemoServer
{
public:
    explicit DemoServer(DemoOptions options);

    // The port now bound, or -1 when the address and port cannot be used.
    int bind();
    // Serves until stop(); false when serving failed.
    bool serve();
    // Safe from any thread; also cuts short any delay in progress.
    void stop();

private:
    using HandlerResponse = httplib::Server::HandlerResponse;

    void addRoutes();
    HandlerResponse applyPathRules(const httplib::Request& request, httplib::Response& response);
    void waitUnlessStopping(int milliseconds);

    void showHome(const httplib::Request& request, httplib::Response& response);
    void showSignIn(const httplib::Request& request, httplib::Response& response);
    void signIn(const httplib::Request& request, httplib::Response& response);
    void answerBootstrap(const httplib::Request& request, httplib::Response& response);
    void answerUsage(const httplib::Request& request, httplib::Response& response);

    const DemoOptions m_options;
    SessionRegistry m_sessions;
    const UsageSimulation m_usage;
    std::atomic<int> m_usageReplies{0};

    std::mutex m_stopMutex;
    std::condition_variable m_stopRequested;
    bool m_stopping = false;

    httplib::Server m_server;
};
