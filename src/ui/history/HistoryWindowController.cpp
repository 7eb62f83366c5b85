#include "HistoryWindowController.h"

#include "HistoryView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {

void centre(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                     screen->availableGeometry())
                     .topLeft());
}

} // namespace

std::shared_ptr<HistoryWindowController> HistoryWindowController::show(HistoryCharts charts)
{
    auto controller = std::make_shared<HistoryWindowController>();
    // Unlike the settings form, a chart gains from room: the window can be resized.
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QString::fromUtf8(kTitle));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new HistoryView(std::move(charts), window);
    layout->addWidget(view);
    controller->m_window = window;
    controller->m_view = view;
    window->resize(window->sizeHint());
    centre(window);
    window->show();
    window->raise();
    window->activateWindow();
    return controller;
}
