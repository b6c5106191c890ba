// The interactive setup: the wizard that installs from its Copying Files
// page.
#pragma once

// Runs the wizard on the calling (main) thread until it closes.
void RunSetupWizard();
