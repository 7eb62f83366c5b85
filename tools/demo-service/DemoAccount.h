#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The one demo account: a personal organization first, then a team on the "zelvik_max" plan,
// so that the organization choice has something to skip.
class DemoAccount
{
public:
    static inline const QString kFixedSessionEmail = QStringLiteral("mario.rossi@example.com");

    static QStringList organizationIds();
    static QString describeOrganizations();
    static bool hasOrganization(const QString& uuid);
    static QJsonObject bootstrap(const QString& email);
};
