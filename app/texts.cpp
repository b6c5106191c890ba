#include "app/texts.h"

namespace {

// The order in which the slots are filled.
const UINT kTextIds[kTextCount] = {
    IDS_SETUP_CAPTION,     IDS_CANCEL_QUESTION,   IDS_INTERNAL_ERROR,  IDS_COPY_FAILED,
    IDS_CLASS_KEY,         IDS_SERVER_KEY,        IDS_FILES_HANDLER_KEY, IDS_DIRECTORY_HANDLER_KEY,
    IDS_APPROVED_KEY,      IDS_UNINSTALL_KEY,     IDS_CLASS_ID,        IDS_DISPLAY_NAME,
    IDS_UNINSTALL_COMMAND, IDS_CLASS_DESCRIPTION, IDS_REGISTER_FAILED, IDS_USAGE,
    IDS_SETUP_FAILED,      IDS_SETTINGS_KEY,      IDS_REGISTRY_ERROR,  IDS_OPEN_FAILED};

char g_textSlots[kTextCount][kTextSize];
const char kNoText[1] = "";

}  // namespace

void LoadTexts(HINSTANCE module) {
  for (int i = 0; i < kTextCount; ++i) {
    if (LoadStringA(module, kTextIds[i], g_textSlots[i], kTextSize) <= 0) g_textSlots[i][0] = '\0';
  }
}

const char* Text(UINT id) {
  for (int i = 0; i < kTextCount; ++i)
    if (kTextIds[i] == id) return g_textSlots[i];
  return kNoText;
}
