// The interactive setup: the overwrite question, then the wizard that
// installs from its Copying Files page.
#pragma once
#include <windows.h>

// 1 when the product's class key can be opened for reading.
int IsProductInstalled();

// Runs the question and the wizard on the calling (main) thread until the
// sheet closes, and lets a copy step in progress finish. Returns 1 in every
// case; a failed installation ends the process from its page instead.
int RunSetupWizard();
