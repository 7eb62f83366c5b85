#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <functional>

class QWebEngineCookieStore;

// The cookies of one web profile as the engine announces them, in arrival order. The engine
// offers no way to ask for all cookies at once, so the mirror listens from the start.
class CookieMirror : public QObject
{
    Q_OBJECT

public:
    // Starts with the cookies known beforehand (those kept on disk), then follows the store.
    CookieMirror(QWebEngineCookieStore* store, const QList<QNetworkCookie>& known,
                 QObject* parent = nullptr);

    QList<QNetworkCookie> cookies() const { return m_cookies; }
    // Drops the matching cookies at once, ahead of the store's own word that they are gone.
    void forget(const std::function<bool(const QNetworkCookie&)>& matches);

signals:
    void changed();

private:
    void add(const QNetworkCookie& cookie);
    void remove(const QNetworkCookie& cookie);
    qsizetype indexOf(const QNetworkCookie& cookie) const;

    QList<QNetworkCookie> m_cookies;
};
