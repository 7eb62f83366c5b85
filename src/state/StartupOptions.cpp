#include "StartupOptions.h"

#include "PrintableText.h"

#include <QUrl>

namespace {

const QString kSessionKey = QStringLiteral("--sk=");
const QString kOrgId = QStringLiteral("--org-id=");
const QString kOrgName = QStringLiteral("--org-name=");
const QString kServiceOrigin = QStringLiteral("--service-origin=");

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
                    QStringLiteral("pallowe: --service-origin ignored, not an http(s) origin: %1")
                        .arg(PrintableText::escaped(value)));
        }
    }
    return options;
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
