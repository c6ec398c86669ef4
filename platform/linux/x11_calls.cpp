#include "platform/linux/x11_calls.h"

#include "platform/linux/library_symbols.h"

namespace ironwood::platform::x11 {

const XlibCalls& Xlib() {
  static const XlibCalls calls = [] {
    XlibCalls x;
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    x.loaded = ResolveSymbol(library, "XOpenDisplay", x.OpenDisplay) &&
               ResolveSymbol(library, "XCloseDisplay", x.CloseDisplay) &&
               ResolveSymbol(library, "XCreateWindow", x.CreateWindow) &&
               ResolveSymbol(library, "XDestroyWindow", x.DestroyWindow) &&
               ResolveSymbol(library, "XMapRaised", x.MapRaised) &&
               ResolveSymbol(library, "XInternAtom", x.InternAtom) &&
               ResolveSymbol(library, "XSetWMProtocols", x.SetWMProtocols) &&
               ResolveSymbol(library, "XChangeProperty", x.ChangeProperty) &&
               ResolveSymbol(library, "XStoreName", x.StoreName) &&
               ResolveSymbol(library, "XCreateBitmapFromData", x.CreateBitmapFromData) &&
               ResolveSymbol(library, "XCreatePixmapCursor", x.CreatePixmapCursor) &&
               ResolveSymbol(library, "XFreePixmap", x.FreePixmap) &&
               ResolveSymbol(library, "XFreeCursor", x.FreeCursor) &&
               ResolveSymbol(library, "XDefineCursor", x.DefineCursor) &&
               ResolveSymbol(library, "XPending", x.Pending) &&
               ResolveSymbol(library, "XEventsQueued", x.EventsQueued) &&
               ResolveSymbol(library, "XNextEvent", x.NextEvent) &&
               ResolveSymbol(library, "XCheckTypedWindowEvent", x.CheckTypedWindowEvent) &&
               ResolveSymbol(library, "XSetInputFocus", x.SetInputFocus) &&
               ResolveSymbol(library, "XQueryPointer", x.QueryPointer) &&
               ResolveSymbol(library, "XLookupKeysym", x.LookupKeysym) &&
               ResolveSymbol(library, "XGetGeometry", x.GetGeometry) &&
               ResolveSymbol(library, "XSync", x.Sync) && ResolveSymbol(library, "XFlush", x.Flush) &&
               ResolveSymbol(library, "XSetErrorHandler", x.SetErrorHandler) &&
               ResolveSymbol(library, "XGetWindowAttributes", x.GetWindowAttributes) &&
               ResolveSymbol(library, "XVisualIDFromVisual", x.VisualIDFromVisual) &&
               ResolveSymbol(library, "XSelectInput", x.SelectInput);
    return x;
  }();
  return calls;
}

const RandrCalls& Randr() {
  static const RandrCalls calls = [] {
    RandrCalls r;
    void* library = dlopen("libXrandr.so.2", RTLD_NOW | RTLD_LOCAL);
    r.loaded = ResolveSymbol(library, "XRRQueryExtension", r.QueryExtension) &&
               ResolveSymbol(library, "XRRQueryVersion", r.QueryVersion) &&
               ResolveSymbol(library, "XRRGetScreenResourcesCurrent", r.GetScreenResourcesCurrent) &&
               ResolveSymbol(library, "XRRFreeScreenResources", r.FreeScreenResources) &&
               ResolveSymbol(library, "XRRGetOutputInfo", r.GetOutputInfo) &&
               ResolveSymbol(library, "XRRFreeOutputInfo", r.FreeOutputInfo) &&
               ResolveSymbol(library, "XRRGetCrtcInfo", r.GetCrtcInfo) &&
               ResolveSymbol(library, "XRRFreeCrtcInfo", r.FreeCrtcInfo) &&
               ResolveSymbol(library, "XRRSetCrtcConfig", r.SetCrtcConfig) &&
               ResolveSymbol(library, "XRRGetScreenSizeRange", r.GetScreenSizeRange) &&
               ResolveSymbol(library, "XRRSetScreenSize", r.SetScreenSize);
    ResolveSymbol(library, "XRRGetOutputPrimary", r.GetOutputPrimary);
    if (!ResolveSymbol(library, "XRRGetMonitors", r.GetMonitors) ||
        !ResolveSymbol(library, "XRRFreeMonitors", r.FreeMonitors)) {
      r.GetMonitors = nullptr;
      r.FreeMonitors = nullptr;
    }
    return r;
  }();
  return calls;
}

}  // namespace ironwood::platform::x11
