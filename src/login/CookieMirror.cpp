#include "CookieMirror.h"

#include <QWebEngineCookieStore>

CookieMirror::CookieMirror(QWebEngineCookieStore* store, const QList<QNetworkCookie>& known,
                           QObject* parent)
    : QObject(parent), m_cookies(known)
{
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &CookieMirror::add);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &CookieMirror::remove);
    store->loadAllCookies();
}

void CookieMirror::add(const QNetworkCookie& cookie)
{
    // A cookie announced again (one we read from disk, say) keeps its place; an overwrite
    // is announced as a removal first, so it moves to the end like a new cookie.
    const qsizetype index = indexOf(cookie);
    if (index >= 0)
        m_cookies[index] = cookie;
    else
        m_cookies.append(cookie);
    emit changed();
}

void CookieMirror::remove(const QNetworkCookie& cookie)
{
    const qsizetype index = indexOf(cookie);
    if (index < 0)
        return;
    m_cookies.removeAt(index);
    emit changed();
}

void CookieMirror::forget(const std::function<bool(const QNetworkCookie&)>& matches)
{
    if (m_cookies.removeIf(matches) > 0)
        emit changed();
}

qsizetype CookieMirror::indexOf(const QNetworkCookie& cookie) const
{
    for (qsizetype i = 0; i < m_cookies.size(); ++i)
        if (m_cookies[i].hasSameIdentifier(cookie))
            return i;
    return -1;
}
