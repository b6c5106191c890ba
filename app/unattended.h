// The unattended setup: installs from a script without any window and
// reports a failure only in the error log "c:\vozaziza.err".
#pragma once

// `argument` is the command line as the program received it. Returns 1
// when every installation step succeeded, 0 otherwise (the log says so).
int RunUnattendedSetup(const char* argument);

// Fills both settings records from the script at `scriptPath`: "Default
// Setup" first, then the section named after this computer. Returns 0
// when the computer's name cannot be had (the effective record is left
// alone), 1 otherwise.
int ReadSetupScript(const char* scriptPath);
