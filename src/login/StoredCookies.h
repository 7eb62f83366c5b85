#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QString>

// The cookies a web profile kept on disk in an earlier run. The web engine loads them lazily
// and never announces them, so the sign-in window reads the profile's cookie database itself.
namespace StoredCookies {

// Reads the "Cookies" database in the profile folder, read-only, in table order. Expired
// cookies and values kept only in encrypted form are left out. Anything unreadable gives an
// empty list.
QList<QNetworkCookie> read(const QString& profileStoragePath);

} // namespace StoredCookies
