#pragma once

#include "state/SettingsWindowLauncher.h"
#include "state/WindowController.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class AppState;
class Notifier;

// One settings window. The window lives until it is closed, whether or not anyone still
// holds its controller, so opening the settings twice gives two independent windows.
class SettingsWindowController : public WindowController
{
public:
    static constexpr auto kTitle = "Impostazioni — Pallowe";

    // Opens a new window on a copy of the state's settings of this moment.
    static std::shared_ptr<SettingsWindowController> show(AppState* state, Notifier* notifier);

    QWidget* window() const { return m_window; }

private:
    QPointer<QWidget> m_window;
};

// What the state calls to open a settings window.
class SettingsWindowOpener : public SettingsWindowLauncher
{
public:
    explicit SettingsWindowOpener(Notifier* notifier) : m_notifier(notifier) {}

    std::shared_ptr<WindowController> show(AppState* state) override;

private:
    Notifier* m_notifier;
};
