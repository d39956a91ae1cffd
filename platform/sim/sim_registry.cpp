/* The registry of the Linux test world: keys below the predefined roots,
 * each with typed values, set up by the test and read by the product.
 *
 * Key paths and value names are matched without regard to ASCII case, and
 * a key exists when it was set up or lies above one that was (setting
 * "Software\A\B" makes "Software\A" exist too, as in the real registry).
 *
 * RegQueryValueExA behaves as the product must expect of the real one:
 * - with no data buffer it reports the size (and the type) only;
 * - a buffer too small gives ERROR_MORE_DATA and the needed size, and the
 *   buffer's contents are undefined: here it receives as many of the
 *   value's first bytes as fit, unterminated, so that code reading a buffer
 *   after a failed query shows up under the sanitizers; nothing is written
 *   past the size given;
 * - on success it copies exactly the stored bytes; a string stored without
 *   its NUL arrives without one. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/sim_world.h"
#include "platform/sim/win_api.h"

#include <cstring>
#include <map>
#include <string>

namespace {

struct Value {
  DWORD type;
  std::string bytes;
};

/* A key: its root and its path below the root, folded to lower case. */
struct KeyName {
  uintptr_t root;
  std::string path;
  bool operator<(const KeyName &other) const {
    return root != other.root ? root < other.root : path < other.path;
  }
};

constexpr uintptr_t kFirstKeyHandle = 0x30010;

struct Registry {
  std::map<KeyName, std::map<std::string, Value>> keys;
  std::map<uintptr_t, KeyName> open; /* handles not yet closed */
  uintptr_t next = kFirstKeyHandle;
};

Registry &Reg() {
  static Registry registry;
  return registry;
}

std::string Fold(const char *text) {
  std::string folded = text ? text : "";
  for (char &c : folded)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return folded;
}

bool IsRoot(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER ||
         key == HKEY_LOCAL_MACHINE;
}

/* The key a handle names: a root, or one opened and not yet closed. */
bool NameOfHandle(HKEY key, KeyName *name) {
  if (IsRoot(key)) {
    *name = {(uintptr_t)key, std::string()};
    return true;
  }
  auto found = Reg().open.find((uintptr_t)key);
  if (found == Reg().open.end()) return false;
  *name = found->second;
  return true;
}

KeyName Below(const KeyName &parent, const char *subkey) {
  std::string path = Fold(subkey);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (parent.path.empty() || path.empty())
    return {parent.root, parent.path + path};
  return {parent.root, parent.path + "\\" + path};
}

bool KeyExists(const KeyName &name) {
  if (name.path.empty()) return true;
  for (auto &entry : Reg().keys) {
    const KeyName &key = entry.first;
    if (key.root != name.root) continue;
    if (key.path == name.path) return true;
    if (key.path.size() > name.path.size() &&
        key.path.compare(0, name.path.size(), name.path) == 0 &&
        key.path[name.path.size()] == '\\')
      return true;
  }
  return false;
}

KeyName Named(HKEY root, const char *subkey) {
  return Below({(uintptr_t)root, std::string()}, subkey);
}

}  // namespace

void SimRegSetRaw(HKEY root, const char *subkey, const char *name, DWORD type,
                  const std::string &bytes) {
  Reg().keys[Named(root, subkey)][Fold(name)] = {type, bytes};
}

void SimRegSetString(HKEY root, const char *subkey, const char *name,
                     const std::string &value) {
  SimRegSetRaw(root, subkey, name, REG_SZ, value + std::string(1, '\0'));
}

void SimRegSetDword(HKEY root, const char *subkey, const char *name,
                    DWORD value) {
  SimRegSetRaw(root, subkey, name, REG_DWORD,
               std::string((const char *)&value, sizeof value));
}

void SimRegDeleteValue(HKEY root, const char *subkey, const char *name) {
  auto key = Reg().keys.find(Named(root, subkey));
  if (key != Reg().keys.end()) key->second.erase(Fold(name));
}

int SimRegOpenKeyCount(void) { return (int)Reg().open.size(); }

void SimResetRegistry(void) {
  Registry &registry = Reg();
  registry.keys.clear();
  registry.open.clear();
  /* registry.next keeps counting: handles from before the reset stay dead. */
}

extern "C" {

LONG RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access,
                   PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  KeyName parent;
  if (!NameOfHandle(key, &parent)) return ERROR_INVALID_HANDLE;
  if (options != 0) return ERROR_INVALID_PARAMETER;
  KeyName name = Below(parent, subkey);
  if (!KeyExists(name)) return ERROR_FILE_NOT_FOUND;
  uintptr_t handle = Reg().next;
  Reg().next += 4;
  Reg().open[handle] = name;
  *result = (HKEY)handle;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD size) {
  KeyName key_name;
  if (!NameOfHandle(key, &key_name)) return ERROR_INVALID_HANDLE;
  if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
  auto values = Reg().keys.find(key_name);
  if (values == Reg().keys.end()) return ERROR_FILE_NOT_FOUND;
  auto found = values->second.find(Fold(name));
  if (found == values->second.end()) return ERROR_FILE_NOT_FOUND;

  const Value &value = found->second;
  DWORD stored = (DWORD)value.bytes.size();
  if (type) *type = value.type;
  if (!data) {
    if (size) *size = stored;
    return ERROR_SUCCESS;
  }
  if (*size < stored) {
    memcpy(data, value.bytes.data(), *size);
    *size = stored;
    return ERROR_MORE_DATA;
  }
  memcpy(data, value.bytes.data(), stored);
  *size = stored;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (IsRoot(key)) return ERROR_SUCCESS;
  if (Reg().open.erase((uintptr_t)key) == 0) return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;
}

}  // extern "C"
