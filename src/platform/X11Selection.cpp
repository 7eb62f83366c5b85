#include "X11Selection.h"

#include <QByteArray>
#include <QGuiApplication>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define PALLOWE_HAS_XCB 1
#endif

namespace X11Selection {

bool isOwned(const char* name)
{
#ifdef PALLOWE_HAS_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const QByteArray atomName(name);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, true, atomName.size(), atomName.constData()),
        nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    return owned;
#else
    Q_UNUSED(name);
    return false;
#endif
}

} // namespace X11Selection
