#include "harness/registry_faults.h"

#include <aclapi.h>

namespace {
// NtDeleteKey removes the link key itself rather than following it.
typedef LONG(NTAPI* NtDeleteKeyFn)(HANDLE);
}  // namespace

DeniedKey::DeniedKey(HKEY root, const char* key, DWORD allowed) : root_(root), path_(key) {
  HKEY handle;
  DWORD disposition = 0;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, &disposition) != ERROR_SUCCESS)
    return;
  created_ = disposition == REG_CREATED_NEW_KEY;
  DWORD size = sizeof saved_;
  if (RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, saved_, &size) == ERROR_SUCCESS) {
    // An empty DACL grants nothing to anyone; one entry grants `allowed`
    // to everyone.
    SECURITY_DESCRIPTOR rule;
    union {
      ACL acl;
      BYTE room[256];
    } list;
    InitializeAcl(&list.acl, sizeof list, ACL_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (allowed && AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
      AddAccessAllowedAce(&list.acl, ACL_REVISION, allowed, everyone);
      FreeSid(everyone);
    }
    InitializeSecurityDescriptor(&rule, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&rule, TRUE, &list.acl, FALSE);
    armed_ = RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &rule) == ERROR_SUCCESS;
  }
  RegCloseKey(handle);
}

DeniedKey::~DeniedKey() {
  if (armed_) {
    HKEY handle;
    // Our own handle with WRITE_DAC is refused too; the owner's right to
    // change the DACL is not.
    if (RegOpenKeyExA(root_, path_, 0, WRITE_DAC, &handle) == ERROR_SUCCESS) {
      RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, saved_);
      RegCloseKey(handle);
    }
  }
  if (created_) RegDeleteTreeA(root_, path_);
}

DanglingLinkKey::DanglingLinkKey(HKEY root, const char* key) : root_(root), path_(key) {
  HKEY handle;
  if (RegCreateKeyExA(root, key, 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) == ERROR_SUCCESS) {
    armed_ = true;
    RegCloseKey(handle);
  }
}

DanglingLinkKey::~DanglingLinkKey() {
  if (!armed_) return;
  HKEY handle;
  if (RegOpenKeyExA(root_, path_, REG_OPTION_OPEN_LINK, DELETE, &handle) == ERROR_SUCCESS) {
    auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    if (ntDeleteKey) ntDeleteKey(handle);
    RegCloseKey(handle);
  }
}
