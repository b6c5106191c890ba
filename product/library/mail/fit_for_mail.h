// Before the hand-over: the archive's members of types that mail services
// reject are named, and an archive larger than one message may carry is
// split into parts that each go in a message of their own. Each is one
// question, asked only when there is something to say.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/options.h"

enum class FitOutcome { kReady, kCancelled, kFailed };

// `archives` receives what to send: the archive, or its parts in order.
// kCancelled: the user chose to send nothing, and the archive stays;
// kFailed: `problem` says why. `quiet`: no question; the archive goes
// whole with whatever it holds, in parts when it is too large.
FitOutcome FitForMail(const std::wstring& archive, const ProductOptions& options, HWND owner, bool quiet,
                      std::vector<std::wstring>& archives, std::wstring& problem);
