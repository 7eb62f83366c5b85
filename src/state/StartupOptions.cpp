#include "StartupOptions.h"

#include "PrintableText.h"
#include "RefreshLoop.h"
#include "service/ZelvikApiService.h"

#include <QUrl>
#include <algorithm>
#include <limits>

namespace {

const QString kSessionKey = QStringLiteral("--sk=");
const QString kOrgId = QStringLiteral("--org-id=");
const QString kOrgName = QStringLiteral("--org-name=");
const QString kServiceOrigin = QStringLiteral("--service-origin=");
const QString kRefreshInterval = QStringLiteral("--refresh-interval=");
// The longest interval a timer can wait in one go.
constexpr qint64 kMaximumIntervalSeconds = std::numeric_limits<int>::max() / 1000;

} // namespace

StartupOptions StartupOptions::parse(const QStringList& arguments)
{
    StartupOptions options;
    for (const QString& argument : arguments) {
        if (argument.startsWith(kSessionKey))
            options.sessionKey = argument.mid(kSessionKey.size());
        else if (argument.startsWith(kOrgId))
            options.orgId = argument.mid(kOrgId.size());
        else if (argument.startsWith(kOrgName))
            options.orgName = argument.mid(kOrgName.size());
        else if (argument.startsWith(kServiceOrigin)) {
            const QString value = argument.mid(kServiceOrigin.size());
            if (const auto origin = normalizedOrigin(value))
                options.serviceOrigin = origin;
            else
                options.warnings.append(
                    QStringLiteral(
                        "pallowe: --service-origin ignorato, non è un'origine http(s): %1")
                        .arg(PrintableText::escaped(value)));
        } else if (argument.startsWith(kRefreshInterval)) {
            const QString value = argument.mid(kRefreshInterval.size());
            if (const auto seconds = intervalSeconds(value))
                options.refreshInterval = seconds;
            else
                options.warnings.append(
                    QStringLiteral("pallowe: --refresh-interval ignorato, non è un numero intero "
                                   "di secondi da 1 a %1: %2")
                        .arg(kMaximumIntervalSeconds)
                        .arg(PrintableText::escaped(value)));
        }
    }
    return options;
}

QString StartupOptions::serviceOriginOrDefault() const
{
    return serviceOrigin.value_or(ZelvikApiService::kDefaultOrigin);
}

std::chrono::milliseconds StartupOptions::refreshIntervalOrDefault() const
{
    if (refreshInterval)
        return *refreshInterval;
    return RefreshLoop::kDefaultInterval;
}

std::optional<QString> StartupOptions::normalizedOrigin(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const bool httpScheme = url.scheme() == u"http" || url.scheme() == u"https";
    const bool bare = url.path().isEmpty() || url.path() == u"/";
    if (!url.isValid() || !httpScheme || url.host().isEmpty() || !bare || url.hasQuery() ||
        url.hasFragment() || !url.userInfo().isEmpty())
        return std::nullopt;
    return url.toString(QUrl::RemovePath | QUrl::FullyEncoded);
}

std::optional<std::chrono::seconds> StartupOptions::intervalSeconds(const QString& text)
{
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    const bool digitsOnly =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!isNumber || !digitsOnly || seconds < 1 || seconds > kMaximumIntervalSeconds)
        return std::nullopt;
    return std::chrono::seconds(seconds);
}
