// Muting of the platform runtime's debug output around calls the loader expects to fail.
// The exports are looked up once, in modules the process has already loaded; the registry
// switch is read once.
#include "platform/win/modules.h"
#include "platform/win/registry.h"
#include "texture/texture_loader.h"

namespace {

enum class MuteSetting { unread, mute, doNotMute };

struct DebugMuteState {
  bool looked = false;
  DebugSetMuteFunction exports[2] = {};
  MuteSetting setting = MuteSetting::unread;
};

// The process-wide debug-mute setting; used on the program's one thread only.
DebugMuteState& debugMuteState() {
  static DebugMuteState state;
  return state;
}

DebugSetMuteFunction muteExportOf(const char* moduleName) {
  HMODULE module = GetModuleHandleA(moduleName);
  if (!module) return nullptr;
  // Exports are handed out as untyped entry points; this one has the mute routine's signature.
  return reinterpret_cast<DebugSetMuteFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DebugSetMute")));
}

bool registryAsksNotToMute() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvance\\Direct3D", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof value;
  LSTATUS status = RegQueryValueExA(key, "PrismDoNotMute", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value && value != 0;
}

}  // namespace

void DebugMute(BOOL mute) {
  DebugMuteState& state = debugMuteState();
  if (!state.looked) {
    state.looked = true;
    state.exports[0] = muteExportOf("d3d9.dll");
    state.exports[1] = muteExportOf("d3d9d.dll");
  }
  if (state.setting == MuteSetting::unread) {
    state.setting = registryAsksNotToMute() ? MuteSetting::doNotMute : MuteSetting::mute;
    if (state.setting == MuteSetting::doNotMute) return;
  }
  if (state.setting == MuteSetting::doNotMute) return;
  for (DebugSetMuteFunction setMute : state.exports) {
    if (setMute) setMute(mute ? 1 : 0);
  }
}

namespace texture_loader_testing {
void resetDebugMute() { debugMuteState() = DebugMuteState{}; }
}  // namespace texture_loader_testing
