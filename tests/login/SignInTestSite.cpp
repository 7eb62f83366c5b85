#include "SignInTestSite.h"

#include <httplib.h>

namespace {

constexpr auto loginPage = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Zelvik</title></head>
<body style="font-family: sans-serif; margin: 48px">
<h1>Accedi</h1>
<form method="post" action="/session">
<p><input name="email" value="ada@example.com"></p>
<p><button id="submit" type="submit">Continua</button></p>
</form>
<p><a id="popup-link" href="/hop/0" target="_blank">Accedi con un altro account</a></p>
</body></html>)";

} // namespace

SignInTestSite::SignInTestSite(const QList<Hop>& hops) : m_hops(hops)
{
    m_server.reply("/login", 200, loginPage, "text/html");
    m_server.reply("/welcome", 200, "<p>Benvenuto</p>", "text/html");
    m_server.reply("/bye", 200, "<script>window.close()</script>", "text/html");
    m_server.onPost("/session", [this](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(hopUrl(0), 303);
    });
    m_server.onGet(R"(/hop/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
        const int index = std::stoi(req.matches[1].str());
        for (const QByteArray& cookie : m_hops.value(index).setCookies)
            res.set_header("Set-Cookie", cookie.toStdString());
        res.set_redirect(hopUrl(index + 1), 303);
    });
    m_server.start();
}

std::string SignInTestSite::hopUrl(int index) const
{
    if (index >= m_hops.size())
        return "http://127.0.0.1:" + std::to_string(m_server.port()) + "/welcome";
    return "http://" + m_hops[index].host.toStdString() + ":" + std::to_string(m_server.port()) +
           "/hop/" + std::to_string(index);
}

int SignInTestSite::formPostCount() const
{
    int count = 0;
    for (const auto& request : m_server.received())
        count += request.method == QLatin1String("POST") ? 1 : 0;
    return count;
}

int SignInTestSite::requestCount(const QString& path) const
{
    int count = 0;
    for (const auto& request : m_server.received())
        count += request.path == path ? 1 : 0;
    return count;
}
