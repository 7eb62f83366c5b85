#include "LimitText.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

// strtod follows the process locale, which Qt sets from the user's environment; the rule
// is the C locale's, so the conversion gets a C locale of its own.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

bool startsWithSpace(const QByteArray& bytes)
{
    static const QByteArray kSpaces(" \t\n\v\f\r");
    return !bytes.isEmpty() && kSpaces.contains(bytes.front());
}

} // namespace

std::optional<double> LimitText::parse(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty() || startsWithSpace(bytes))
        return std::nullopt;
    char* end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale());
    // An embedded NUL stops the conversion early and so counts as text left over.
    if (end != bytes.constData() + bytes.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString LimitText::format(const std::optional<double>& limit)
{
    return limit ? QString::asprintf("%.0f", *limit) : QString();
}
