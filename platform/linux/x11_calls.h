#pragma once

// The Xlib and XRandR functions the saver calls, opened at run time so that it starts without
// them. Each table is loaded once and never closed, like libEGL.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace ironwood::platform::x11 {

// The Xlib calls the window makes. Loaded once and never closed, like libEGL.
struct XlibCalls {
  bool loaded = false;
  decltype(&XOpenDisplay) OpenDisplay = nullptr;
  decltype(&XCloseDisplay) CloseDisplay = nullptr;
  decltype(&XCreateWindow) CreateWindow = nullptr;
  decltype(&XDestroyWindow) DestroyWindow = nullptr;
  decltype(&XMapRaised) MapRaised = nullptr;
  decltype(&XInternAtom) InternAtom = nullptr;
  decltype(&XSetWMProtocols) SetWMProtocols = nullptr;
  decltype(&XChangeProperty) ChangeProperty = nullptr;
  decltype(&XStoreName) StoreName = nullptr;
  decltype(&XCreateBitmapFromData) CreateBitmapFromData = nullptr;
  decltype(&XCreatePixmapCursor) CreatePixmapCursor = nullptr;
  decltype(&XFreePixmap) FreePixmap = nullptr;
  decltype(&XFreeCursor) FreeCursor = nullptr;
  decltype(&XDefineCursor) DefineCursor = nullptr;
  decltype(&XPending) Pending = nullptr;
  decltype(&XEventsQueued) EventsQueued = nullptr;
  decltype(&XNextEvent) NextEvent = nullptr;
  decltype(&XCheckTypedWindowEvent) CheckTypedWindowEvent = nullptr;
  decltype(&XSetInputFocus) SetInputFocus = nullptr;
  decltype(&XQueryPointer) QueryPointer = nullptr;
  decltype(&XLookupKeysym) LookupKeysym = nullptr;
  decltype(&XGetGeometry) GetGeometry = nullptr;
  decltype(&XSync) Sync = nullptr;
  decltype(&XFlush) Flush = nullptr;
  decltype(&XSetErrorHandler) SetErrorHandler = nullptr;
  decltype(&XGetWindowAttributes) GetWindowAttributes = nullptr;
  decltype(&XVisualIDFromVisual) VisualIDFromVisual = nullptr;
  decltype(&XSelectInput) SelectInput = nullptr;
};

// The table, loaded on first use; `loaded` is false when libX11 or any function is missing.
const XlibCalls& Xlib();

// The XRandR 1.2 calls a mode change makes; a missing library only costs the mode change.
struct RandrCalls {
  bool loaded = false;
  decltype(&XRRQueryExtension) QueryExtension = nullptr;
  decltype(&XRRQueryVersion) QueryVersion = nullptr;
  decltype(&XRRGetScreenResourcesCurrent) GetScreenResourcesCurrent = nullptr;
  decltype(&XRRFreeScreenResources) FreeScreenResources = nullptr;
  decltype(&XRRGetOutputInfo) GetOutputInfo = nullptr;
  decltype(&XRRFreeOutputInfo) FreeOutputInfo = nullptr;
  decltype(&XRRGetCrtcInfo) GetCrtcInfo = nullptr;
  decltype(&XRRFreeCrtcInfo) FreeCrtcInfo = nullptr;
  decltype(&XRRSetCrtcConfig) SetCrtcConfig = nullptr;
  decltype(&XRRGetScreenSizeRange) GetScreenSizeRange = nullptr;
  decltype(&XRRSetScreenSize) SetScreenSize = nullptr;
  decltype(&XRRGetOutputPrimary) GetOutputPrimary = nullptr;  // RandR 1.3; optional
  decltype(&XRRGetMonitors) GetMonitors = nullptr;             // RandR 1.5; optional
  decltype(&XRRFreeMonitors) FreeMonitors = nullptr;           // RandR 1.5; optional
};

// The table, loaded on first use; a missing library only costs the mode change.
const RandrCalls& Randr();

}  // namespace ironwood::platform::x11
