#pragma once

#include <QStringList>
#include <optional>

// What pallowe settles before any Qt object exists: --help and --version need no display,
// bus or tray, and without a display Qt would abort with a message of its own.
class EarlyExit
{
public:
    // The exit code when the program ends here, after saying why; nothing when it starts.
    // The arguments include the program itself; the environment is the process's own.
    static std::optional<int> check(const QStringList& arguments);

    static QString helpText();
    static QString versionLine(); // "pallowe 1.2.3"

    // Whether Qt can find a screen: an X11 or Wayland display, or a platform that needs none.
    static bool hasDisplay(const QStringList& arguments);
};
