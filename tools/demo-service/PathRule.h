#pragma once

#include <QString>
#include <optional>
#include <string>

// "PATH=NUMBER" from the command line: a fixed status or a delay for one path. A path that
// ends in "*" covers every path that starts with what comes before it.
struct PathRule
{
    QString path;
    int value = 0;

    // The rule, or nothing when the text is not "/path=number" with a number in [min, max].
    static std::optional<PathRule> parse(const QString& text, int min, int max);

    bool matches(const std::string& requestPath) const;
};
