#include "controls/subclassing.h"

static WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void SubclassControl(HWND control, const char* property, void* object, WNDPROC controlProc, WNDPROC parentProc,
                     WNDPROC* previousControl, WNDPROC* previousParent) {
  SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
  SetPropA(control, property, object);
  *previousControl = ReplaceProcedure(control, controlProc);
  HWND parent = GetParent(control);
  *previousParent = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(parent, GWLP_WNDPROC));
  if (!GetPropA(parent, property)) {
    SetPropA(parent, property, object);
    ReplaceProcedure(parent, parentProc);
  }
}

void RestoreControl(HWND control, const char* property, const void* object, WNDPROC previousControl,
                    WNDPROC previousParent) {
  HWND parent = GetParent(control);
  ReplaceProcedure(parent, previousParent);
  ReplaceProcedure(control, previousControl);
  if (GetPropA(parent, property) == object) RemovePropA(parent, property);
  RemovePropA(control, property);
}
