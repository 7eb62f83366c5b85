// The yardstick for Pallowe's footprint: a Qt program that shows one tray icon and nothing else.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x34, 0xC7, 0x59));
    painter.drawEllipse(pixmap.rect().adjusted(2, 2, -2, -2));
    painter.end();
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    return QApplication::exec();
}
