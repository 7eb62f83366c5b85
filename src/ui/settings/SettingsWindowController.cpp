#include "SettingsWindowController.h"

#include "SettingsView.h"
#include "state/AppState.h"
#include "ui/widgets/ScreenCentre.h"

#include <QVBoxLayout>

namespace {

QWidget* newWindow()
{
    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowCloseButtonHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QString::fromUtf8(SettingsWindowController::kTitle));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    // Sized to the form, which has a fixed width; the user cannot resize it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return window;
}

void centre(QWidget* window)
{
    window->adjustSize();
    ScreenCentre::place(window);
}

} // namespace

std::shared_ptr<SettingsWindowController> SettingsWindowController::show(AppState* state,
                                                                         Notifier* notifier)
{
    auto controller = std::make_shared<SettingsWindowController>();
    QWidget* window = newWindow();
    controller->m_window = window;
    auto* view = new SettingsView(
        state, state->settings(), notifier, [window] { window->close(); }, window);
    window->layout()->addWidget(view);
    centre(window);
    window->show();
    window->raise();
    window->activateWindow();
    return controller;
}

std::shared_ptr<WindowController> SettingsWindowOpener::show(AppState* state)
{
    return SettingsWindowController::show(state, m_notifier);
}
