#pragma once

#include "TestHttpServer.h"

#include <QByteArrayList>
#include <QList>
#include <QMetaType>
#include <QString>

// A stand-in of the service's sign-in pages: "/login" shows a form; posting it redirects
// through a chain of hops, each on a host of its own ("127.0.0.1" or "localhost") and each
// setting its cookies, and ends on "/welcome". The page's link "popup-link" opens the chain
// in a new window; "/bye" closes the window it is in.
class SignInTestSite
{
public:
    struct Hop
    {
        QString host;
        QByteArrayList setCookies; // Set-Cookie header values, in order
    };

    explicit SignInTestSite(const QList<Hop>& hops);

    QString origin() const { return m_server.origin(); }
    int formPostCount() const;
    int requestCount(const QString& path) const;

private:
    std::string hopUrl(int index) const;

    TestHttpServer m_server;
    const QList<Hop> m_hops;
};

Q_DECLARE_METATYPE(SignInTestSite::Hop)
