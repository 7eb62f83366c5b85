// Draws the tray faces (0, 34, 35, 64, 65, 84, 85, 100 %, signed in before the first report
// and not signed in) at every size the
// tray may ask for, on a light and a dark panel, into one contact sheet, so the faces can be
// judged the way a user meets them.
#include "ui/tray/MenuBarLabel.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <cstdio>
#include <optional>

namespace {

struct Panel
{
    const char* title;
    QColor background;
    QColor text;
    // The desktop's own palette: the faces take their colours from it.
    bool darkTheme;
};

const Panel kPanels[] = {
    {"Light panel, light theme", QColor(0xEF, 0xF0, 0xF1), QColor(0x23, 0x26, 0x29), false},
    {"Dark panel, dark theme", QColor(0x20, 0x23, 0x26), QColor(0xEF, 0xF0, 0xF1), true},
    {"Dark panel, light theme (a dark top bar over light windows)", QColor(0x00, 0x00, 0x00),
     QColor(0xEE, 0xEE, 0xEE), false},
};

constexpr int kLabelWidth = 56;
constexpr int kColumnWidth = 84;
constexpr int kPadding = 12;
constexpr int kTitleHeight = 28;
constexpr int kHeaderHeight = 22;

QPalette desktopPalette(bool dark)
{
    if (!dark)
        return QGuiApplication::palette();
    QPalette palette(QColor(0x31, 0x36, 0x3B));
    palette.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3B));
    palette.setColor(QPalette::WindowText, QColor(0xEF, 0xF0, 0xF1));
    return palette;
}

int rowHeight(int size)
{
    return size + kPadding;
}

int panelHeight()
{
    int height = kTitleHeight + kHeaderHeight;
    for (const int size : MenuBarLabel::iconSizes())
        height += rowHeight(size);
    return height + kPadding;
}

struct Face
{
    std::optional<qint64> percent;
    bool configured = true;
};

const QList<Face> kFaces = {{0},  {34}, {35},  {64},           {65},
                            {84}, {85}, {100}, {std::nullopt}, {std::nullopt, false}};

void drawPanel(QPainter& painter, const Panel& panel, int top, int width)
{
    const QPalette palette = desktopPalette(panel.darkTheme);
    painter.fillRect(0, top, width, panelHeight(), panel.background);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(panel.text);
    painter.drawText(QRect(kPadding, top, width, kTitleHeight), Qt::AlignVCenter,
                     QString::fromUtf8(panel.title));
    int y = top + kTitleHeight;
    for (int column = 0; column < kFaces.size(); ++column) {
        const Face& face = kFaces[column];
        const QString heading = !face.configured ? QStringLiteral("signed out")
                                : face.percent   ? QStringLiteral("%1 %").arg(*face.percent)
                                                 : QStringLiteral("no report");
        painter.drawText(QRect(kLabelWidth + column * kColumnWidth, y, kColumnWidth, kHeaderHeight),
                         Qt::AlignCenter, heading);
    }
    y += kHeaderHeight;
    for (const int size : MenuBarLabel::iconSizes()) {
        painter.drawText(QRect(0, y, kLabelWidth - 8, rowHeight(size)),
                         Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("%1 px").arg(size));
        for (int column = 0; column < kFaces.size(); ++column) {
            const QImage face = MenuBarLabel::image(kFaces[column].percent,
                                                    kFaces[column].configured, size, palette);
            const int x = kLabelWidth + column * kColumnWidth + (kColumnWidth - size) / 2;
            painter.drawImage(x, y + kPadding / 2, face);
        }
        y += rowHeight(size);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: pallowe-tray-icons OUTPUT.png\n");
        return 2;
    }
    const int width = kLabelWidth + int(kFaces.size()) * kColumnWidth + kPadding;
    QImage sheet(width, int(std::size(kPanels)) * panelHeight(), QImage::Format_RGB32);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int index = 0; index < int(std::size(kPanels)); ++index)
        drawPanel(painter, kPanels[index], index * panelHeight(), width);
    painter.end();
    if (!sheet.save(arguments.at(1))) {
        std::fprintf(stderr, "pallowe-tray-icons: cannot write %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    return 0;
}
