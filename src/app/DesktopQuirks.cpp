#include "app/DesktopQuirks.h"

#include <dlfcn.h>

#include <wx/toolbar.h>
#include <wx/utils.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

bool WindowManagerOffersFullScreen() {
    Display* display = wxGetX11Display();
    if (display == nullptr) return true;  // not on X: the toolkit's own way is the only one
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", True);
    const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", True);
    if (supported == None || fullScreen == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool offered = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr && type == XA_ATOM && format == 32) {
        // Format 32 properties come back as an array of longs whatever the word size.
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !offered; ++i) offered = atoms[i] == fullScreen;
    }
    if (data != nullptr) XFree(data);
    return offered;
}

void KeepToolButtonsFromFocus(wxToolBar& toolbar) {
    // GTK is loaded by the toolkit: its functions are looked up rather than linked, which keeps
    // GTK's development files out of the build (as for the native dialogs).
    using NthItem = void* (*)(void*, int);
    using BinChild = void* (*)(void*);
    using SetFlag = void (*)(void*, int);
    using InstanceIs = int (*)(void*, unsigned long);
    using TypeOf = unsigned long (*)();
    static const auto nthItem = reinterpret_cast<NthItem>(dlsym(RTLD_DEFAULT, "gtk_toolbar_get_nth_item"));
    static const auto binChild = reinterpret_cast<BinChild>(dlsym(RTLD_DEFAULT, "gtk_bin_get_child"));
    static const auto setCanFocus = reinterpret_cast<SetFlag>(dlsym(RTLD_DEFAULT, "gtk_widget_set_can_focus"));
    static const auto setFocusOnClick =
        reinterpret_cast<SetFlag>(dlsym(RTLD_DEFAULT, "gtk_widget_set_focus_on_click"));
    static const auto instanceIs =
        reinterpret_cast<InstanceIs>(dlsym(RTLD_DEFAULT, "g_type_check_instance_is_a"));
    static const auto toolbarType = reinterpret_cast<TypeOf>(dlsym(RTLD_DEFAULT, "gtk_toolbar_get_type"));
    static const auto binType = reinterpret_cast<TypeOf>(dlsym(RTLD_DEFAULT, "gtk_bin_get_type"));
    if (!nthItem || !binChild || !setCanFocus || !instanceIs || !toolbarType || !binType) return;
    // The toolkit may wrap the GTK toolbar in a box of its own.
    void* widget = toolbar.GetHandle();
    if (widget != nullptr && !instanceIs(widget, toolbarType()) && instanceIs(widget, binType()))
        widget = binChild(widget);
    if (widget == nullptr || !instanceIs(widget, toolbarType())) return;
    // The GTK items stand in the order of the toolkit's tools; controls (sliders, text boxes) keep
    // their focus, their keys are the window's menu keys anyway.
    for (size_t pos = 0; pos < toolbar.GetToolsCount(); ++pos) {
        const wxToolBarToolBase* tool = toolbar.GetToolByPos(static_cast<int>(pos));
        if (tool == nullptr || !tool->IsButton()) continue;
        void* item = nthItem(widget, static_cast<int>(pos));
        if (item == nullptr) continue;
        setCanFocus(item, 0);
        if (void* button = instanceIs(item, binType()) ? binChild(item) : nullptr) {
            setCanFocus(button, 0);
            if (setFocusOnClick) setFocusOnClick(button, 0);
        }
    }
}
