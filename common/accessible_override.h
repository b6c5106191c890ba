// What a screen reader learns of a custom control: the platform's own
// accessible object for the static control underneath, with the role,
// name, value, state and default action that the control really has.
#pragma once
#include <windows.h>

struct AccessibleFacts {
  DWORD role;                  // ROLE_SYSTEM_...; 0 keeps the platform's
  const char* name;            // copied; null keeps the platform's
  const char* value;           // copied; null keeps the platform's
  const char* defaultAction;   // copied; null: none
  DWORD extraState;            // STATE_SYSTEM_... added to the platform's
  UINT actionMessage;          // posted to the control for the default action; 0: none
};

// The answer to WM_GETOBJECT (`wParam`, `lParam` as received) for the
// client object of `control`: an object telling `facts`, or 0 when the
// request is for another object or the accessibility library cannot be
// had, so that the control's own procedure answers.
LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts);
