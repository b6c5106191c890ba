// The command line: which road the program takes.
#pragma once

constexpr int kCommandSize = 256;  // working copy: 255 characters and the terminator

// Removes leading and trailing white space (space, \t, \n, \v, \f, \r as
// in the "C" locale; bytes above 127 never count) in place.
void TrimBlanks(char* text);

enum Road { kRoadUsage, kRoadUnattended, kRoadWizard };

// Picks the road for the command line as the runtime handed it over.
// A line whose trimmed text does not fit the working copy cannot name a
// file the program could open, and goes to the wizard.
Road ChooseRoad(const char* commandLine);
