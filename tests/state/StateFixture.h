#pragma once

#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "state/AppState.h"
#include "state/LoginWindowLauncher.h"
#include "state/Notifier.h"

#include <QList>
#include <QString>
#include <httplib.h>
#include <mutex>

// A service on 127.0.0.1 whose usage reply (status and body) the test changes as it goes.
class UsageService
{
public:
    UsageService()
    {
        m_server.onGet(R"(/api/organizations/([^/]*)/usage)",
                       [this](const httplib::Request&, httplib::Response& res) {
                           std::lock_guard lock(m_mutex);
                           res.status = m_status;
                           res.set_content(m_body, "application/json");
                       });
        m_server.onGet("/api/bootstrap", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(m_mutex);
            res.status = m_bootstrapStatus;
            res.set_content(m_bootstrap, "application/json");
        });
        m_server.start();
    }

    void setUsage(double fiveHour, double sevenDay = 0)
    {
        std::lock_guard lock(m_mutex);
        m_status = 200;
        m_body =
            QStringLiteral(R"({"five_hour":{"utilization":%1,"resets_at":"2030-01-01T00:00:00Z"},)"
                           R"("seven_day":{"utilization":%2,"resets_at":"2030-01-01T00:00:00Z"}})")
                .arg(fiveHour)
                .arg(sevenDay)
                .toStdString();
    }
    void setUsageBody(const QByteArray& body)
    {
        std::lock_guard lock(m_mutex);
        m_status = 200;
        m_body = body.toStdString();
    }
    void setStatus(int status)
    {
        std::lock_guard lock(m_mutex);
        m_status = status;
    }
    void setBootstrap(int status, const QByteArray& body)
    {
        std::lock_guard lock(m_mutex);
        m_bootstrapStatus = status;
        m_bootstrap = body.toStdString();
    }

    QString origin() const { return m_server.origin(); }
    int requestCount() const { return m_server.requestCount(); }
    int requestCount(const QString& path) const
    {
        int count = 0;
        for (const auto& request : m_server.received())
            count += request.path == path ? 1 : 0;
        return count;
    }
    TestHttpServer& server() { return m_server; }

private:
    TestHttpServer m_server;
    std::mutex m_mutex;
    int m_status = 200;
    std::string m_body = "{}";
    int m_bootstrapStatus = 200;
    std::string m_bootstrap = "{}";
};

// Remembers every notification instead of showing it.
class RecordingNotifier : public Notifier
{
public:
    struct Posted
    {
        QString identifier, title, body;
    };
    void post(const QString& identifier, const QString& title, const QString& body) override
    {
        posted.append({identifier, title, body});
    }
    void requestPermission() override { ++permissionRequests; }

    QList<Posted> posted;
    int permissionRequests = 0;
};

// Opens no window: hands the test the callback a real sign-in window would call.
class FakeLoginWindows : public LoginWindowLauncher
{
public:
    std::shared_ptr<WindowController> show(Callback onAuthenticated) override
    {
        callbacks.append(onAuthenticated);
        controllers.append(std::make_shared<WindowController>());
        return controllers.last();
    }
    QList<Callback> callbacks;
    QList<std::shared_ptr<WindowController>> controllers;
};

inline QStringList sessionArguments(const QString& origin,
                                    const QString& org = QStringLiteral("org-1"))
{
    return {QStringLiteral("pallowe"), QStringLiteral("--sk=key-1"),
            QStringLiteral("--org-id=") + org, QStringLiteral("--service-origin=") + origin};
}
