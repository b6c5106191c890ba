// VOZAZIZA.EXE: the setup program of Parvello 1.1.
#include <windows.h>

#include "app/command_line.h"
#include "app/startup.h"
#include "app/texts.h"
#include "app/unattended.h"
#include "wizard/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (!InitSetup(instance)) return 0;

  switch (ChooseRoad(commandLine)) {
    case kRoadUsage:
      MessageBoxA(nullptr, Text(IDS_USAGE), Text(IDS_SETUP_CAPTION), MB_OK | MB_ICONINFORMATION);
      return 1;
    case kRoadUnattended:
      RunUnattendedSetup(commandLine);
      break;
    case kRoadWizard:
      RunSetupWizard();
      break;
  }
  return 0;
}
