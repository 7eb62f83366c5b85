#pragma once

#include "WindowController.h"

#include <memory>

class AppState;

// Opens a new settings window editing a copy of the state's settings of that moment.
class SettingsWindowLauncher
{
public:
    virtual ~SettingsWindowLauncher() = default;
    virtual std::shared_ptr<WindowController> show(AppState* state) = 0;
};
