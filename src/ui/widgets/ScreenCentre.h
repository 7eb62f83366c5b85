#pragma once

class QWidget;

// Puts a top-level window in the middle of the primary screen's free area, at its current size.
class ScreenCentre
{
public:
    static void place(QWidget* window);
};
