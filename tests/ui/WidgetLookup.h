#pragma once

#include <QWidget>

// The named child of a view; a missing one ends the test at once with its name.
template <typename T = QWidget> T* child(const QWidget& view, const char* name)
{
    auto* found = view.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

template <typename T = QWidget> T* child(const QWidget* view, const char* name)
{
    return child<T>(*view, name);
}
