// The unattended setup: installs from a script without any window and
// reports a failure only in the error log "c:\vozaziza.err".
#pragma once

enum UnattendedOutcome {
  kUnattendedInstalled,         // every installation step succeeded
  kUnattendedFailureLogged,     // a step failed; the error log says so
  kUnattendedFailureUnreported  // a step failed and the log could not be written
};

// `argument` is the command line as the program received it.
UnattendedOutcome RunUnattendedSetup(const char* argument);

// Fills both settings records from the script at `scriptPath`: "Default
// Setup" first, then the section named after this computer. Returns 0
// when the computer's name cannot be had (the effective record is left
// alone), 1 otherwise.
int ReadSetupScript(const char* scriptPath);
