#pragma once

// A window the state opened and keeps a reference to; dropping the last reference lets the
// window go (its pending work may keep it a little longer).
class WindowController
{
public:
    virtual ~WindowController() = default;
};
