// How large an archive one message may carry: the MaxArchiveKilobytes
// setting (0: no limit of its own), lowered by Outlook's own
// MaximumAttachmentSize when Outlook is the mail client.
#pragma once
#include <windows.h>

#include <cstdint>

#include "settings/options.h"

// In bytes; 0 when nothing limits it.
uint64_t MessageBudget(const ProductOptions& options);
