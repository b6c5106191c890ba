// A stand-in Simple MAPI provider, registered as the default mail client
// for the test (HKLM\Software\Clients\Mail, its DLLPath). Its MAPISendMail
// records what it was given in the file PARVELLO_MAPI_RECORD names, and
// answers with the number PARVELLO_MAPI_ANSWER holds (0 when unset).
#include <windows.h>
#include <mapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

std::string Environment(const char* name) {
  char value[MAX_PATH] = "";
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length && length < sizeof value ? value : "";
}

}  // namespace

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR window, lpMapiMessage message,
                                                          FLAGS flags, ULONG reserved) {
  std::string record = Environment("PARVELLO_MAPI_RECORD");
  if (record.empty() || !message) return MAPI_E_FAILURE;
  std::string text = "session=" + std::to_string(session) + "\nreserved=" + std::to_string(reserved) +
                     "\nwindow=" + std::to_string(window != 0) + "\nflags=" + std::to_string(flags) +
                     "\nsubject=" + (message->lpszSubject ? message->lpszSubject : "<null>") +
                     "\nrecipients=" + std::to_string(message->nRecipCount) +
                     "\nfiles=" + std::to_string(message->nFileCount) + "\n";
  for (ULONG i = 0; i < message->nFileCount && message->lpFiles; ++i) {
    const MapiFileDesc& file = message->lpFiles[i];
    const char* path = file.lpszPathName ? file.lpszPathName : "";
    text += std::string("path=") + path + "\nname=" + (file.lpszFileName ? file.lpszFileName : "<null>") +
            "\nposition=" + std::to_string(file.nPosition) +
            "\nexists=" + std::to_string(GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) + "\n";
  }
  FILE* out = fopen(record.c_str(), "wb");
  if (!out) return MAPI_E_FAILURE;
  fwrite(text.data(), 1, text.size(), out);
  fclose(out);
  std::string answer = Environment("PARVELLO_MAPI_ANSWER");
  return answer.empty() ? SUCCESS_SUCCESS : strtoul(answer.c_str(), nullptr, 10);
}
