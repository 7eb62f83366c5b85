#include "SettingsStore.h"

#include "AppDataFolder.h"
#include "JsonFile.h"
#include "model/JsonReader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

const QString kAlertEnabled = QStringLiteral("alertEnabled");
const QString kThreshold = QStringLiteral("alertThresholdPercent");
const QString kShowExtra = QStringLiteral("showExtraCredits");
const QString kLimit = QStringLiteral("extraCreditsMonthlyLimit");
const QString kBackground = QStringLiteral("backgroundRefresh");

AppSettings fromJson(const JsonReader& json)
{
    AppSettings settings;
    settings.alertEnabled = json.requiredBool(kAlertEnabled);
    settings.alertThresholdPercent = json.requiredInteger(kThreshold);
    settings.showExtraCredits = json.requiredBool(kShowExtra);
    settings.extraCreditsMonthlyLimit = json.optionalNumber(kLimit);
    return settings;
}

// A key of its own beside the other four: absent or not a Boolean simply means off.
bool backgroundRefreshIn(const QByteArray& bytes)
{
    return QJsonDocument::fromJson(bytes).object().value(kBackground).toBool(false);
}

} // namespace

SettingsStore::SettingsStore(const QString& folderPath)
    : m_filePath(folderPath + QStringLiteral("/settings.json"))
{
    AppDataFolder::ensureExists(folderPath);
}

AppSettings SettingsStore::load() const
{
    const auto bytes = JsonFile::read(m_filePath);
    if (!bytes)
        return {};
    const auto decoded = JsonReader::decode<AppSettings>(*bytes, fromJson);
    AppSettings settings = decoded ? *decoded : AppSettings{};
    settings.backgroundRefresh = backgroundRefreshIn(*bytes);
    return settings;
}

bool SettingsStore::save(const AppSettings& settings) const
{
    const auto& limit = settings.extraCreditsMonthlyLimit;
    // JSON has no infinity or NaN: such a limit cannot be encoded, so nothing is written.
    if (limit && !std::isfinite(*limit))
        return false;
    QJsonObject object{{kAlertEnabled, settings.alertEnabled},
                       {kThreshold, settings.alertThresholdPercent},
                       {kShowExtra, settings.showExtraCredits}};
    if (limit)
        object.insert(kLimit, *limit);
    if (settings.backgroundRefresh) // off is the absence of the key: the file stays as it was
        object.insert(kBackground, true);
    return JsonFile::write(m_filePath, object);
}
