#pragma once

#include "TestHttpServer.h"

#include <QByteArray>
#include <condition_variable>
#include <httplib.h>
#include <mutex>

// A real service stand-in on 127.0.0.1 whose usage reply the test changes as it goes, and
// which can hold replies back so that a refresh stays in flight.
class ReportServer
{
public:
    ReportServer()
    {
        m_server.onGet(R"(/api/organizations/[^/]+/usage)",
                       [this](const httplib::Request&, httplib::Response& response) {
                           std::unique_lock lock(m_mutex);
                           m_released.wait(lock, [this] { return !m_holding; });
                           response.status = m_status;
                           response.set_content(m_body.toStdString(), "application/json");
                       });
        m_server.onGet(R"(/api/bootstrap)", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                R"({"account":{"memberships":[{"organization":{"uuid":"o","name":"Org"}}]}})",
                "application/json");
        });
        m_server.start();
    }

    ~ReportServer() { release(); }

    void setReply(const QByteArray& body, int status = 200)
    {
        std::lock_guard lock(m_mutex);
        m_body = body;
        m_status = status;
    }

    void hold()
    {
        std::lock_guard lock(m_mutex);
        m_holding = true;
    }

    void release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_holding = false;
        }
        m_released.notify_all();
    }

    QString origin() const { return m_server.origin(); }
    int requestCount() const { return m_server.requestCount(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_holding = false;
    QByteArray m_body = "{}";
    int m_status = 200;
    TestHttpServer m_server; // last: stops before the rest goes
};
