#pragma once

#include "WindowController.h"

#include <memory>

class AppState;

// Opens the history window on the readings of the session in use, or brings forward the one
// already open.
class HistoryWindowLauncher
{
public:
    virtual ~HistoryWindowLauncher() = default;
    virtual std::shared_ptr<WindowController> show(AppState* state) = 0;
};
