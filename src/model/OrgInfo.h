#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class JsonReader;

// An organization the account belongs to.
struct OrgInfo
{
    QString uuid;
    std::optional<QString> name;
    std::optional<QStringList> capabilities;

    static OrgInfo fromJson(const JsonReader& json);

    bool operator==(const OrgInfo&) const = default;
};
