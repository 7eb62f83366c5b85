#include "TestHttpServer.h"

#include <httplib.h>

QByteArray TestHttpServer::Received::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

int TestHttpServer::Received::headerCount(const QByteArray& name) const
{
    int count = 0;
    for (const auto& header : headers)
        count += header.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

TestHttpServer::TestHttpServer() : m_server(std::make_unique<httplib::Server>())
{
    // Recorded before the handler runs, so a client that got its answer finds it recorded.
    m_server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        Received received;
        received.method = QString::fromStdString(request.method);
        received.path = QString::fromStdString(request.path);
        for (const auto& [key, value] : request.headers)
            received.headers.append(
                {QByteArray::fromStdString(key), QByteArray::fromStdString(value)});
        std::lock_guard lock(m_mutex);
        m_received.append(received);
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

TestHttpServer::~TestHttpServer()
{
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

void TestHttpServer::onGet(const std::string& pattern, Handler handler)
{
    m_server->Get(pattern, std::move(handler));
}

void TestHttpServer::onPost(const std::string& pattern, Handler handler)
{
    m_server->Post(pattern, std::move(handler));
}

void TestHttpServer::reply(const std::string& pattern, int status, const QByteArray& body,
                           const std::string& contentType)
{
    const std::string content = body.toStdString();
    onGet(pattern, [status, content, contentType](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_content(content, contentType);
    });
}

void TestHttpServer::start()
{
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

QString TestHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QList<TestHttpServer::Received> TestHttpServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

int TestHttpServer::requestCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_received.size());
}

QString TestHttpServer::unusedOrigin()
{
    // Port 1 (tcpmux) is privileged and unused on any machine this runs on.
    return QStringLiteral("http://127.0.0.1:1");
}
