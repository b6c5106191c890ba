// The pages' dialog templates as the sheet gets them. At 96 dpi these are
// the resources themselves. At any other scale the pages ask for "MS Shell
// Dlg" instead of "MS Sans Serif": the sheet measures its page area in its
// own font, "MS Shell Dlg", and "MS Sans Serif" is a bitmap font whose
// sizes stop short of the scale (its cells grow in steps, unlike the
// sheet's), so the pages' texts would outgrow the area or stop growing.
// The shell's font sets the same words a little wider: such a page is
// 8% wider, its items spread in proportion.
#pragma once
#include <windows.h>

// A copy of dialog template `id` of `module` asking for "MS Shell Dlg",
// widened, when `dpi` is not 96 and the copy could be made; null
// otherwise, and the page is then made from the resource. The copy lives
// until program end.
const DLGTEMPLATE* PageTemplateForDpi(HINSTANCE module, WORD id, UINT dpi);
