// The take-over every custom control does: the static control gets the
// object's property and procedure; its parent gets the property and the
// object's parent procedure from the first such control under it only.
#pragma once
#include <windows.h>

// Adds SS_NOTIFY, sets `property` and both procedures; the procedures found
// are saved in `previousControl` and `previousParent` (the parent's is
// saved whether or not this call replaces it).
void SubclassControl(HWND control, const char* property, void* object, WNDPROC controlProc, WNDPROC parentProc,
                     WNDPROC* previousControl, WNDPROC* previousParent);

// Gives parent and control back the procedures saved at attach, parent
// first, and removes the property from both; the parent's only when it
// names `object`, the control that subclassed it.
void RestoreControl(HWND control, const char* property, const void* object, WNDPROC previousControl,
                    WNDPROC previousParent);
