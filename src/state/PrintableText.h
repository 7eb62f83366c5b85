#pragma once

#include <QString>

// Text from the command line or a file, made safe to print on a terminal: control and
// format characters (escape sequences, bidirectional overrides) and the backslash come out
// as visible escapes, so what is printed is exactly what was given, and nothing more.
namespace PrintableText {

QString escaped(const QString& text);

} // namespace PrintableText
