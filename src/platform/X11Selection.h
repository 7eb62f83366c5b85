#pragma once

// X11 announces desktop services by selection ownership: a tray owns _NET_SYSTEM_TRAY_S0,
// a compositing manager _NET_WM_CM_S0.
namespace X11Selection {

// Whether someone owns the selection on this program's X display; false off X11.
bool isOwned(const char* name);

} // namespace X11Selection
