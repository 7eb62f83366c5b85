#include "PathRule.h"

std::optional<PathRule> PathRule::parse(const QString& text, int min, int max)
{
    const qsizetype separator = text.lastIndexOf(u'=');
    if (separator <= 0)
        return std::nullopt;
    PathRule rule;
    rule.path = text.left(separator);
    bool isNumber = false;
    rule.value = text.mid(separator + 1).toInt(&isNumber);
    if (!rule.path.startsWith(u'/') || !isNumber || rule.value < min || rule.value > max)
        return std::nullopt;
    return rule;
}

bool PathRule::matches(const std::string& requestPath) const
{
    const QString requested = QString::fromStdString(requestPath);
    if (path.endsWith(u'*'))
        return requested.startsWith(path.chopped(1));
    return requested == path;
}
