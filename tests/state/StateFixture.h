#pragma once

#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "state/AppState.h"

#include <QCoroTask>
#include <httplib.h>
#include <mutex>

// A service on 127.0.0.1 whose replies (status and body) the test changes as it goes.
class UsageService
{
public:
    UsageService()
    {
        m_server.onGet(
            R"(/api/organizations/([^/]*)/usage)",
            [this](const httplib::Request&, httplib::Response& res) { answer(m_usage, res); });
        m_server.onGet("/api/bootstrap", [this](const httplib::Request&, httplib::Response& res) {
            answer(m_bootstrap, res);
        });
        m_server.start();
    }

    void setUsage(double fiveHour, double sevenDay = 0)
    {
        setUsageBody(QStringLiteral(R"({"five_hour":{"utilization":%1,"resets_at":"x"},)"
                                    R"("seven_day":{"utilization":%2,"resets_at":"x"}})")
                         .arg(fiveHour)
                         .arg(sevenDay)
                         .toUtf8());
    }
    void setUsageBody(const QByteArray& body, int status = 200) { set(m_usage, status, body); }
    void setStatus(int status) { set(m_usage, status, m_usage.body); }
    void setBootstrap(int status, const QByteArray& body) { set(m_bootstrap, status, body); }

    QString origin() const { return m_server.origin(); }
    int requestCount() const { return m_server.requestCount(); }
    int requestCount(const QString& path) const
    {
        const auto received = m_server.received();
        return std::count_if(received.begin(), received.end(),
                             [&](const auto& request) { return request.path == path; });
    }

private:
    struct Reply
    {
        int status = 200;
        QByteArray body = "{}";
    };
    void set(Reply& reply, int status, const QByteArray& body)
    {
        std::lock_guard lock(m_mutex);
        reply = {status, body};
    }
    void answer(const Reply& reply, httplib::Response& res)
    {
        std::lock_guard lock(m_mutex);
        res.status = reply.status;
        res.set_content(reply.body.toStdString(), "application/json");
    }

    TestHttpServer m_server;
    std::mutex m_mutex;
    Reply m_usage, m_bootstrap;
};

inline QStringList sessionArguments(const QString& origin, const QString& org = "org-1")
{
    return {"pallowe", "--sk=key-1", "--org-id=" + org, "--service-origin=" + origin};
}

inline void refreshNow(AppState& state)
{
    QCoro::waitFor(state.refresh());
}
