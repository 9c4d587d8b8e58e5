// Windows: process mitigation policies.
#include <windows.h>

#include "app/confinement.hpp"

namespace inventory {

namespace {

// Looked up at run time, as Chromium does: Windows 7 has no such function,
// and a program that imported it would not start there.
using SetPolicy = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);

SetPolicy find_set_policy() {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) {
    return nullptr;
  }
  // Through the generic function type, which a cast to any other may pass.
  const FARPROC found = GetProcAddress(kernel32, "SetProcessMitigationPolicy");
  return reinterpret_cast<SetPolicy>(reinterpret_cast<void (*)()>(found));
}

template <typename Policy>
bool set_policy(SetPolicy set, PROCESS_MITIGATION_POLICY kind, Policy policy) {
  return set(kind, &policy, sizeof policy) != 0;
}

}  // namespace

// Mitigation policies: no child process, no code made at run time, no
// image from a share or of low integrity, no injected extension DLLs.
// Windows before 8 has none of them, and wine accepts each without
// enforcing it; the run goes on all the same.
Confinement confine() {
  const SetPolicy set = find_set_policy();
  if (set == nullptr) {
    return Confinement::unavailable;
  }
  PROCESS_MITIGATION_CHILD_PROCESS_POLICY children{};
  children.NoChildProcessCreation = 1;
  PROCESS_MITIGATION_DYNAMIC_CODE_POLICY dynamic_code{};
  dynamic_code.ProhibitDynamicCode = 1;
  PROCESS_MITIGATION_IMAGE_LOAD_POLICY images{};
  images.NoRemoteImages = 1;
  images.NoLowMandatoryLabelImages = 1;
  PROCESS_MITIGATION_EXTENSION_POINT_DISABLE_POLICY extension_points{};
  extension_points.DisableExtensionPoints = 1;
  // Each is tried, whatever became of the one before.
  bool all_set = set_policy(set, ProcessChildProcessPolicy, children);
  all_set = set_policy(set, ProcessDynamicCodePolicy, dynamic_code) && all_set;
  all_set = set_policy(set, ProcessImageLoadPolicy, images) && all_set;
  all_set = set_policy(set, ProcessExtensionPointDisablePolicy, extension_points) && all_set;
  return all_set ? Confinement::confined : Confinement::unavailable;
}

}  // namespace inventory
