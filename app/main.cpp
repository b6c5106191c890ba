// VOZAZIZA.EXE: the setup program of Parvello 1.1.
#include <windows.h>

#include "app/command_line.h"
#include "app/startup.h"
#include "app/system_dlls.h"
#include "app/texts.h"
#include "app/unattended.h"
#include "wizard/wizard.h"

// The unattended setup failed and c:\vozaziza.err could not be written.
constexpr int kExitFailureUnreported = 2;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  RestrictDllSearch();
  if (!InitSetup(instance)) return 0;

  switch (ChooseRoad(commandLine)) {
    case kRoadUsage:
      MessageBoxA(nullptr, Text(IDS_USAGE), Text(IDS_SETUP_CAPTION), MB_OK | MB_ICONINFORMATION);
      return 1;
    case kRoadUnattended:
      // The error log is the road's report, and deployment scripts expect
      // 0 whatever it says; only a failure that could not be logged would
      // otherwise look like success.
      if (RunUnattendedSetup(commandLine) == kUnattendedFailureUnreported) return kExitFailureUnreported;
      break;
    case kRoadWizard:
      RunSetupWizard();
      break;
  }
  return 0;
}
