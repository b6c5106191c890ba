// The mail clients the product knows, and the placeholders a user-defined
// client's command line may hold: the setup's mail client pages and the
// product's Options window offer the same ones.
#pragma once

// Mail client number = position + 1; 0 is the user-defined command line.
constexpr int kMailClientCount = 8;
constexpr const char* kMailClientNames[kMailClientCount] = {
    "Microsoft Outlook", "Microsoft Outlook Express", "Microsoft Exchange Client", "Netscape Messenger",
    "Lotus ccMail",      "Qualcomm Eudora",           "Calypso",                   "The Bat!",
};

// The Insert Macro menu: each item's text and what it puts on the line.
struct MacroItem {
  const char* item;
  const char* text;
};
constexpr MacroItem kMailMacros[] = {
    {"Archive file name", "$NAME"},
    {"Archive file name (MS-DOS)", "$DOSNAME"},
};
