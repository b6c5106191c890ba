// The Unicode forms of Simple MAPI's message (MAPISendMailW, Windows 8 and
// later), which mingw-w64's <mapi.h> lacks; laid out as Microsoft's SDK
// declares them.
#pragma once
#include <windows.h>
#include <mapi.h>

struct MapiRecipDescW {
  ULONG ulReserved;
  ULONG ulRecipClass;
  PWSTR lpszName;
  PWSTR lpszAddress;
  ULONG ulEIDSize;
  PVOID lpEntryID;
};

struct MapiFileDescW {
  ULONG ulReserved;
  ULONG flFlags;
  ULONG nPosition;
  PWSTR lpszPathName;
  PWSTR lpszFileName;
  PVOID lpFileType;
};

struct MapiMessageW {
  ULONG ulReserved;
  PWSTR lpszSubject;
  PWSTR lpszNoteText;
  PWSTR lpszMessageType;
  PWSTR lpszDateReceived;
  PWSTR lpszConversationID;
  FLAGS flFlags;
  MapiRecipDescW* lpOriginator;
  ULONG nRecipCount;
  MapiRecipDescW* lpRecips;
  ULONG nFileCount;
  MapiFileDescW* lpFiles;
};

typedef ULONG(WINAPI* MapiSendMailW)(LHANDLE session, ULONG_PTR window, MapiMessageW* message, FLAGS flags,
                                     ULONG reserved);
