#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// A real HTTP server on 127.0.0.1 (port chosen by the system) in a thread of its own, which
// remembers every request it received.
class TestHttpServer
{
public:
    struct Received
    {
        QString method;
        QString path;
        QList<QPair<QByteArray, QByteArray>> headers;

        QByteArray header(const QByteArray& name) const;
        int headerCount(const QByteArray& name) const;
    };

    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    TestHttpServer();
    ~TestHttpServer();

    // Answers every GET whose path matches the regular expression.
    void onGet(const std::string& pattern, Handler handler);
    // Shortcut: a fixed status and body for every GET of the pattern.
    void reply(const std::string& pattern, int status, const QByteArray& body,
               const std::string& contentType = "application/json");

    void start();
    QString origin() const;
    int port() const { return m_port; }

    QList<Received> received() const;
    int requestCount() const;

    static QString unusedOrigin(); // an origin where nothing listens

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    QList<Received> m_received;
};
