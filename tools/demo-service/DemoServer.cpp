#include "DemoServer.h"

#include "DemoAccount.h"
#include "LoginPages.h"

#include <QJsonDocument>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

const char* const kHtml = "text/html; charset=utf-8";
const char* const kJson = "application/json";
const std::string kCookieName = "sessionKey";

// The value of the "sessionKey" cookie, if the request carries one.
std::optional<std::string> sessionCookie(const httplib::Request& request)
{
    const std::string header = request.get_header_value("Cookie");
    const std::string prefix = kCookieName + "=";
    size_t start = 0;
    while (start < header.size()) {
        const size_t end = std::min(header.find(';', start), header.size());
        const size_t nameStart = header.find_first_not_of(' ', start);
        if (nameStart < end && header.compare(nameStart, prefix.size(), prefix) == 0)
            return header.substr(nameStart + prefix.size(), end - nameStart - prefix.size());
        start = end + 1;
    }
    return std::nullopt;
}

void setJson(httplib::Response& response, int status, const QJsonObject& body)
{
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), kJson);
}

void setError(httplib::Response& response, int status, const char* type, const char* message)
{
    setJson(response, status,
            {{QStringLiteral("type"), "error"},
             {QStringLiteral("error"),
              QJsonObject{{QStringLiteral("type"), type}, {QStringLiteral("message"), message}}}});
}

// Request text as it can safely go into one log line.
std::string printable(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return result;
}

void logRequest(const httplib::Request& request, const httplib::Response& response)
{
    std::fprintf(stderr, "%s %s %d session-cookie=%s\n", printable(request.method).c_str(),
                 printable(request.path).c_str(), response.status,
                 sessionCookie(request) ? "yes" : "no");
}

} // namespace

DemoServer::DemoServer(DemoOptions options)
    : m_options(std::move(options)), m_sessions(m_options.expireAfter),
      m_usage(UsageSimulation::Clock::now(), m_options.speed, m_options.cross80After)
{
    m_sessions.addFixed(m_options.sessionKeys, DemoAccount::kFixedSessionEmail);
    addRoutes();
}

void DemoServer::addRoutes()
{
    m_server.set_logger(logRequest);
    m_server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        return applyPathRules(req, res);
    });
    m_server.Get("/", [this](const auto& req, auto& res) { showHome(req, res); });
    m_server.Get("/login", [this](const auto& req, auto& res) { showSignIn(req, res); });
    m_server.Post("/login", [this](const auto& req, auto& res) { signIn(req, res); });
    m_server.Get("/api/bootstrap",
                 [this](const auto& req, auto& res) { answerBootstrap(req, res); });
    m_server.Get(R"(/api/organizations/([^/]+)/usage)",
                 [this](const auto& req, auto& res) { answerUsage(req, res); });
}

int DemoServer::bind()
{
    const std::string host = m_options.address.toStdString();
    if (m_options.port == 0)
        return m_server.bind_to_any_port(host);
    return m_server.bind_to_port(host, m_options.port) ? m_options.port : -1;
}

bool DemoServer::serve()
{
    return m_server.listen_after_bind();
}

void DemoServer::stop()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopRequested.notify_all();
    m_server.stop();
}

DemoServer::HandlerResponse DemoServer::applyPathRules(const httplib::Request& request,
                                                       httplib::Response& response)
{
    for (const PathRule& delay : m_options.delays)
        if (delay.matches(request.path))
            waitUnlessStopping(delay.value);
    for (const PathRule& status : m_options.statuses) {
        if (status.matches(request.path)) {
            setError(response, status.value, "demo_fixed_status",
                     "Stato fisso dalla riga di comando");
            return HandlerResponse::Handled;
        }
    }
    return HandlerResponse::Unhandled;
}

void DemoServer::waitUnlessStopping(int milliseconds)
{
    std::unique_lock lock(m_stopMutex);
    m_stopRequested.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return m_stopping; });
}

void DemoServer::showHome(const httplib::Request& request, httplib::Response& response)
{
    const auto email = m_sessions.signedInEmail(sessionCookie(request).value_or(""));
    if (!email)
        return response.set_redirect("/login", 303);
    response.set_content(LoginPages::signedIn(*email), kHtml);
}

void DemoServer::showSignIn(const httplib::Request& request, httplib::Response& response)
{
    const auto email = m_sessions.signedInEmail(sessionCookie(request).value_or(""));
    response.set_content(email ? LoginPages::signedIn(*email) : LoginPages::signInForm(), kHtml);
}

void DemoServer::signIn(const httplib::Request& request, httplib::Response& response)
{
    const QString email = QString::fromStdString(request.get_param_value("email")).trimmed();
    const std::string password = request.get_param_value("password");
    // A 200 page, as browsers' sign-in forms do: the web view reports a 4xx as a failed load.
    if (email.isEmpty() || password.empty()) {
        response.set_content(
            LoginPages::signInForm(QStringLiteral("Inserisci l'indirizzo e-mail e la password."),
                                   email),
            kHtml);
        return;
    }
    // Host-only (no Domain) and out of reach of page scripts, like the real session cookie.
    response.set_header("Set-Cookie", kCookieName + "=" + m_sessions.signIn(email) +
                                          "; Path=/; HttpOnly; SameSite=Lax");
    response.set_redirect("/", 303);
}

void DemoServer::answerBootstrap(const httplib::Request& request, httplib::Response& response)
{
    const auto email = m_sessions.useForApi(sessionCookie(request).value_or(""));
    if (!email)
        return setError(response, 401, "authentication_error", "Invalid or expired session");
    setJson(response, 200, DemoAccount::bootstrap(*email));
}

void DemoServer::answerUsage(const httplib::Request& request, httplib::Response& response)
{
    if (!m_sessions.useForApi(sessionCookie(request).value_or("")))
        return setError(response, 401, "authentication_error", "Invalid or expired session");
    if (!DemoAccount::hasOrganization(QString::fromStdString(request.matches[1])))
        return setError(response, 404, "not_found_error", "Organization not found");
    const int replyNumber = ++m_usageReplies;
    setJson(response, 200, m_usage.report(UsageSimulation::Clock::now(), replyNumber));
}
