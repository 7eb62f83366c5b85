#pragma once

#include <QString>
#include <optional>

// The monthly credit limit as typed in the settings form.
class LimitText
{
public:
    // The whole text must be one C-locale floating-point number: no leading white space,
    // nothing left over, a full stop as decimal separator; sign, exponent and hexadecimal
    // forms are fine, and so are zero and negative values. Infinite and not-a-number values
    // are refused too, since the settings file cannot hold them. Anything else is absent.
    static std::optional<double> parse(const QString& text);

    // Empty when absent, otherwise the limit rounded to a whole number.
    static QString format(const std::optional<double>& limit);
};
