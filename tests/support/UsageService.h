#pragma once

#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "state/AppState.h"

#include <QCoroTask>
#include <QHash>
#include <condition_variable>
#include <httplib.h>
#include <mutex>

inline QByteArray usageReport(double fiveHour, double sevenDay = 0,
                              const QString& fiveHourResets = QStringLiteral("x"))
{
    return QStringLiteral(R"({"five_hour":{"utilization":%1,"resets_at":"%3"},)"
                          R"("seven_day":{"utilization":%2,"resets_at":"x"}})")
        .arg(fiveHour)
        .arg(sevenDay)
        .arg(fiveHourResets)
        .toUtf8();
}

// A reset moment as the service writes it, this long from now.
inline QString resetIn(std::chrono::milliseconds fromNow)
{
    return QDateTime::currentDateTimeUtc().addMSecs(fromNow.count()).toString(Qt::ISODateWithMs);
}

// A service on 127.0.0.1 whose usage and bootstrap replies the test changes as it goes, and
// which can hold back the usage replies of some organizations until the test lets them go.
class UsageService
{
public:
    UsageService()
    {
        m_server.onGet(R"(/api/organizations/([^/]*)/usage)", [this](const auto& req, auto& res) {
            const QString org = QString::fromStdString(req.matches[1]);
            std::unique_lock lock(m_mutex);
            m_released.wait(lock, [&] { return m_held.isEmpty() || !org.startsWith(m_held); });
            answer(m_usageFor.value(org, m_usage), res);
        });
        m_server.onGet("/api/bootstrap", [this](const auto&, auto& res) {
            std::lock_guard lock(m_mutex);
            answer(m_bootstrap, res);
        });
        m_server.start();
    }
    ~UsageService() { release(); }

    // For every organization that has no reply of its own.
    void setUsageBody(const QByteArray& body, int status = 200) { set(m_usage, {status, body}); }
    void setUsageFor(const QString& orgId, const QByteArray& body, int status = 200)
    {
        std::lock_guard lock(m_mutex);
        m_usageFor.insert(orgId, {status, body});
    }
    void setBootstrap(int status, const QByteArray& body) { set(m_bootstrap, {status, body}); }
    // Usage replies for organizations whose id starts so wait until release().
    void hold(const QString& orgPrefix)
    {
        std::lock_guard lock(m_mutex);
        m_held = orgPrefix;
    }
    void release()
    {
        hold({});
        m_released.notify_all();
    }

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
    static void answer(const Reply& reply, httplib::Response& res)
    {
        res.status = reply.first;
        res.set_content(reply.second.toStdString(), "application/json");
    }

    std::mutex m_mutex;
    std::condition_variable m_released;
    QString m_held;
    Reply m_usage{200, "{}"}, m_bootstrap{200, "{}"};
    QHash<QString, Reply> m_usageFor;
    TestHttpServer m_server; // last: it stops before what its handlers use goes
};

inline QStringList sessionArguments(const QString& origin)
{
    return {"pallowe", "--sk=key-1", "--org-id=org-1", "--service-origin=" + origin};
}
