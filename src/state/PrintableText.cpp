#include "PrintableText.h"

#include <QList>

namespace PrintableText {

namespace {

bool needsEscape(char32_t code)
{
    const auto category = QChar::category(code);
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           category == QChar::Other_Surrogate || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t code : text.toUcs4()) {
        if (code == U'\\')
            out += QStringLiteral("\\\\");
        else if (!needsEscape(code))
            out += QString::fromUcs4(&code, 1);
        else if (code <= 0xff)
            out += QStringLiteral("\\x%1").arg(uint(code), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(uint(code), 4, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace PrintableText
