// Real registry faults, as Wine produces them within one wineserver session.
#pragma once
#include <windows.h>

// Creates `key` (if needed) and denies everyone all access to it: opening or
// creating it then fails with ERROR_ACCESS_DENIED. With `allowed` access
// rights (KEY_READ, say) everyone is granted just those: under Wine the
// open for writing then succeeds and every write fails. The destructor
// gives the key back its previous security and removes a key it created.
class DeniedKey {
 public:
  DeniedKey(HKEY root, const char* key, DWORD allowed = 0);
  ~DeniedKey();
  DeniedKey(const DeniedKey&) = delete;
  DeniedKey& operator=(const DeniedKey&) = delete;
  bool Armed() const { return armed_; }

 private:
  HKEY root_;
  const char* path_;
  bool created_ = false;
  bool armed_ = false;
  unsigned char saved_[4096];
};

// A symbolic-link key without a target at `key` (which must not exist):
// creating it or anything below it fails. Removed by the destructor.
class DanglingLinkKey {
 public:
  DanglingLinkKey(HKEY root, const char* key);
  ~DanglingLinkKey();
  DanglingLinkKey(const DanglingLinkKey&) = delete;
  DanglingLinkKey& operator=(const DanglingLinkKey&) = delete;
  bool Armed() const { return armed_; }

 private:
  HKEY root_;
  const char* path_;
  bool armed_ = false;
};
