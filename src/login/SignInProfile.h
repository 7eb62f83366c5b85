#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class CookieMirror;
class QWebEngineProfile;

// The disk-backed web profile of the sign-in window with the mirror of its cookies. One per
// storage folder and process: the engine cannot open the same folder twice.
class SignInProfile : public QObject
{
    Q_OBJECT

public:
    // The profile for the folder, created on first use; it lives while anyone holds it.
    static std::shared_ptr<SignInProfile> at(const QString& storagePath);
    // Inside the program's own folder under the user's data folder.
    static QString defaultStoragePath();

    explicit SignInProfile(const QString& storagePath);
    ~SignInProfile() override;

    QWebEngineProfile* profile() const { return m_profile; }
    QList<QNetworkCookie> cookies() const;
    // Deletes the matching cookies from the profile, on disk too, and from what cookies()
    // returns.
    void deleteCookies(const std::function<bool(const QNetworkCookie&)>& matches);

private:
    QWebEngineProfile* m_profile;
    CookieMirror* m_mirror;
};
