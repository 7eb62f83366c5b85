// Renders the application icon (the tray gauge, unconfigured) as PNG files for the icon
// theme, so the launcher, the notifications and the tray all show the same mark.
#include "ui/tray/MenuBarLabel.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: pallowe-app-icon OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir output(arguments.at(1));
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        output.mkpath(folder);
        const QString path = output.filePath(folder + QStringLiteral("/org.pallowe.Pallowe.png"));
        if (!MenuBarLabel::image(20, false, size).save(path)) {
            std::fprintf(stderr, "pallowe-app-icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
