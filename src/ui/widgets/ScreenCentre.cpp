#include "ScreenCentre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

void ScreenCentre::place(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                     screen->availableGeometry())
                     .topLeft());
}
