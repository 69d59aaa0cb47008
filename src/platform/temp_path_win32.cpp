// Win32 side of the temporary folder.
#include <windows.h>

#include <vector>

#include "platform/path.h"
#include "platform/temp_path.h"

namespace ostrya::platform {

std::string temporaryFolder() {
  char path[kMaxPath];
  const DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string folder(path, length);
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

namespace {

// A security descriptor that gives the current user alone full access, passed on to everything
// made inside and not taken from the parent: a temporary folder may be shared (C:\\Temp, a
// service's).
class OwnerOnlySecurity {
 public:
  OwnerOnlySecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool known =
        size != 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!known) return;
    PSID user = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user);
    acl_.resize(aclSize);
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    ready_ = InitializeAcl(acl, aclSize, ACL_REVISION) &&
             AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   GENERIC_ALL, user) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
  }
  // None where the descriptor could not be made: the folder then takes its parent's.
  SECURITY_ATTRIBUTES* get() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<BYTE> user_;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
  bool ready_ = false;
};

}  // namespace

// The creation fails on a name that is taken, so another attempt takes the next one.
std::string createPrivateFolder(const std::string& parent, const char* prefix) {
  OwnerOnlySecurity security;
  const DWORD process = GetCurrentProcessId();
  const DWORD start = GetTickCount();
  for (DWORD attempt = 0; attempt < 1000; ++attempt) {
    char name[64];
    wsprintfA(name, "%lu-%lu", process, start + attempt);
    const std::string folder = parent + prefix + name;
    if (folder.size() >= kMaxPath - 1) return std::string();
    if (CreateDirectoryA(folder.c_str(), security.get())) return folder + '\\';
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

}  // namespace ostrya::platform
