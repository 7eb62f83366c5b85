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
const QString kKeepHistory = QStringLiteral("keepHistory");
const QString kResetAlert = QStringLiteral("resetAlert");

AppSettings fromJson(const JsonReader& json)
{
    AppSettings settings;
    settings.alertEnabled = json.requiredBool(kAlertEnabled);
    settings.alertThresholdPercent = json.requiredInteger(kThreshold);
    settings.showExtraCredits = json.requiredBool(kShowExtra);
    settings.extraCreditsMonthlyLimit = json.optionalNumber(kLimit);
    return settings;
}

// The keys beyond the first four stand alone: absent or not a Boolean simply means off.
void readFlags(const QByteArray& bytes, AppSettings& settings)
{
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    settings.backgroundRefresh = object.value(kBackground).toBool(false);
    settings.keepHistory = object.value(kKeepHistory).toBool(false);
    settings.resetAlert = object.value(kResetAlert).toBool(false);
}

// Off is the absence of the key, so a file saved with every flag off is the one a program
// without them writes.
void insertFlag(QJsonObject& object, const QString& key, bool on)
{
    if (on)
        object.insert(key, true);
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
    readFlags(*bytes, settings);
    return settings;
}

bool SettingsStore::save(const AppSettings& settings, QString* failure) const
{
    const auto& limit = settings.extraCreditsMonthlyLimit;
    // JSON has no infinity or NaN: such a limit cannot be encoded, so nothing is written.
    if (limit && !std::isfinite(*limit)) {
        if (failure)
            *failure = QStringLiteral("il limite mensile non è un numero finito");
        return false;
    }
    QJsonObject object{{kAlertEnabled, settings.alertEnabled},
                       {kThreshold, settings.alertThresholdPercent},
                       {kShowExtra, settings.showExtraCredits}};
    if (limit)
        object.insert(kLimit, *limit);
    insertFlag(object, kBackground, settings.backgroundRefresh);
    insertFlag(object, kKeepHistory, settings.keepHistory);
    insertFlag(object, kResetAlert, settings.resetAlert);
    return JsonFile::write(m_filePath, object, std::nullopt, failure);
}
