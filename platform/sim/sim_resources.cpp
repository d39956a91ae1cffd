/* Resources of the test program's own module.  A resource is found by its
 * numeric identifier (MAKEINTRESOURCE, or the "#102" spelling) and its
 * type, a name matched without regard to ASCII case or a numeric type.
 * Like modern Windows, LoadResource hands back the address of the bytes
 * and LockResource returns it unchanged; the bytes stay valid until
 * SimReset. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_files_internal.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/win_api.h"

#include <stdlib.h>
#include <strings.h>

#include <memory>
#include <string>
#include <vector>

struct SimResource {
  int id;
  std::string type_name; /* empty for a numeric type */
  int type_id;
  std::vector<BYTE> bytes; /* one spare byte: never an empty block */
  DWORD size;
};

namespace {

struct ResourceWorld {
  std::vector<std::unique_ptr<SimResource>> resources;
  int failing_step = 0;
};

ResourceWorld &World() {
  static ResourceWorld world;
  return world;
}

SimModule Program = {"the test program"};

enum { STEP_FIND = 1, STEP_SIZE = 2, STEP_LOAD = 3, STEP_LOCK = 4 };

/* A numeric name: MAKEINTRESOURCE(n) or "#n".  -1 for a string name. */
int NumericName(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return (int)(uintptr_t)name;
  if (name[0] == '#') return atoi(name + 1);
  return -1;
}

bool SameType(const SimResource &r, LPCSTR type) {
  int number = NumericName(type);
  if (number >= 0) return r.type_name.empty() && r.type_id == number;
  return !r.type_name.empty() && strcasecmp(r.type_name.c_str(), type) == 0;
}

bool KnownResource(HRSRC resource) {
  for (auto &r : World().resources)
    if (r.get() == resource) return true;
  return false;
}

}  // namespace

HINSTANCE SimModuleHandle(void) { return &Program; }

void SimAddResource(int id, const char *type, const void *bytes, DWORD size) {
  auto r = std::make_unique<SimResource>();
  r->id = id;
  int number = NumericName(type);
  if (number >= 0) r->type_id = number;
  else r->type_name = type;
  r->bytes.assign((const BYTE *)bytes, (const BYTE *)bytes + size);
  r->bytes.push_back(0);
  r->size = size;
  World().resources.push_back(std::move(r));
}

void SimFailResourceStep(int step) { World().failing_step = step; }

void SimResetResources(void) { World() = ResourceWorld(); }

/* A null module is the program itself, as on Windows. */
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (World().failing_step == STEP_FIND || (module && module != &Program) ||
      !name || !type) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  int id = NumericName(name);
  bool type_seen = false;
  for (auto &r : World().resources) {
    if (!SameType(*r, type)) continue;
    type_seen = true;
    if (r->id == id) return r.get();
  }
  SetLastError(type_seen ? ERROR_RESOURCE_NAME_NOT_FOUND
                         : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  if (World().failing_step == STEP_SIZE || !KnownResource(resource)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return resource->size;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  if (World().failing_step == STEP_LOAD || !KnownResource(resource)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return resource->bytes.data();
}

LPVOID LockResource(HGLOBAL data) {
  if (World().failing_step == STEP_LOCK) return nullptr;
  return data;
}
