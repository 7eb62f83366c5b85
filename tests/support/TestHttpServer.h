#pragma once

#include <QList>
#include <QString>
#include <httplib.h>
#include <mutex>
#include <thread>

// A real HTTP server on 127.0.0.1 (port chosen by the system) in a thread of its own, which
// remembers every request it received.
class TestHttpServer
{
public:
    struct Received
    {
        QString method;
        QString path;
        httplib::Headers headers; // names compare without regard to case
    };
    using Handler = httplib::Server::Handler;

    TestHttpServer()
    {
        // Recorded before the handler runs, so a client that got its answer finds it recorded.
        m_server.set_pre_routing_handler([this](const auto& request, auto&) {
            std::lock_guard lock(m_mutex);
            m_received.append({QString::fromStdString(request.method),
                               QString::fromStdString(request.path), request.headers});
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
    ~TestHttpServer()
    {
        m_server.stop();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Answer every GET or POST whose path matches the regular expression.
    void onGet(const std::string& pattern, Handler h) { m_server.Get(pattern, std::move(h)); }
    void onPost(const std::string& pattern, Handler h) { m_server.Post(pattern, std::move(h)); }
    // Shortcut: a fixed status and body for every GET of the pattern.
    void reply(const std::string& pattern, int status, const QByteArray& body,
               const std::string& contentType = "application/json")
    {
        onGet(pattern, [status, content = body.toStdString(), contentType](const auto&, auto& res) {
            res.status = status;
            res.set_content(content, contentType);
        });
    }

    void start()
    {
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    int port() const { return m_port; }

    QList<Received> received() const
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    int requestCount() const { return int(received().size()); }

    // Port 1 (tcpmux) is privileged and unused on any machine this runs on.
    static QString unusedOrigin() { return QStringLiteral("http://127.0.0.1:1"); }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    QList<Received> m_received;
};
