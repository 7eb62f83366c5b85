#pragma once

#include <QString>

// A failure the service client passes on unchanged: the transport's (no reply at all) or
// the JSON decoder's; its text is the library's own description.
struct PlatformError
{
    enum class Source
    {
        Transport,
        Decoder
    };

    Source source;
    QString description;

    bool operator==(const PlatformError&) const = default;
};
