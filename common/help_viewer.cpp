#include "common/help_viewer.h"

void ServeHelpViewer(HWND viewer) {
  MSG message;
  while (viewer && IsWindow(viewer) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}
