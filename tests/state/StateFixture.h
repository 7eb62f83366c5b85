#pragma once

#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "state/AppState.h"

#include <QCoroTask>
#include <httplib.h>
#include <mutex>

inline QByteArray usageReport(double fiveHour, double sevenDay = 0)
{
    return QStringLiteral(R"({"five_hour":{"utilization":%1,"resets_at":"x"},)"
                          R"("seven_day":{"utilization":%2,"resets_at":"x"}})")
        .arg(fiveHour)
        .arg(sevenDay)
        .toUtf8();
}

// A service on 127.0.0.1 whose usage and bootstrap replies the test changes as it goes.
class UsageService
{
public:
    UsageService()
    {
        m_server.onGet(R"(/api/organizations/[^/]*/usage)",
                       [this](const auto&, auto& res) { answer(m_usage, res); });
        m_server.onGet("/api/bootstrap",
                       [this](const auto&, auto& res) { answer(m_bootstrap, res); });
        m_server.start();
    }

    void setUsageBody(const QByteArray& body, int status = 200) { set(m_usage, {status, body}); }
    void setBootstrap(int status, const QByteArray& body) { set(m_bootstrap, {status, body}); }

    QString origin() const { return m_server.origin(); }
    int requestCount(const QString& path = {}) const
    {
        const auto received = m_server.received();
        return std::count_if(received.begin(), received.end(), [&](const auto& request) {
            return path.isEmpty() || request.path == path;
        });
    }

private:
    using Reply = std::pair<int, QByteArray>; // status, body
    void set(Reply& reply, const Reply& value)
    {
        std::lock_guard lock(m_mutex);
        reply = value;
    }
    void answer(const Reply& reply, httplib::Response& res)
    {
        std::lock_guard lock(m_mutex);
        res.status = reply.first;
        res.set_content(reply.second.toStdString(), "application/json");
    }

    TestHttpServer m_server;
    std::mutex m_mutex;
    Reply m_usage{200, "{}"}, m_bootstrap{200, "{}"};
};

inline QStringList sessionArguments(const QString& origin)
{
    return {"pallowe", "--sk=key-1", "--org-id=org-1", "--service-origin=" + origin};
}
