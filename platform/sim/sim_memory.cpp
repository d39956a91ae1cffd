/* The global allocator of the stand-in.  Only fixed blocks exist: the
 * handle is the address, as with GMEM_FIXED on Windows.  Every live block
 * is recorded, so that leak checks can count them and a free of something
 * that is not a live block (a double free, a stray pointer) stops the test
 * program at once instead of corrupting the heap.
 *
 * A block without GMEM_ZEROINIT is filled with 0xCD, so that code reading
 * memory it never wrote sees a recognisable pattern rather than zeros. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/win_api.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>

static std::set<void *> &LiveBlocks() {
  static std::set<void *> blocks;
  return blocks;
}

/* Blocks that were live at a reset: leaks of an earlier test.  They stay
 * valid and may still be freed, but no longer count as live. */
static std::set<void *> &ForgottenBlocks() {
  static std::set<void *> blocks;
  return blocks;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if ((flags & ~(UINT)GMEM_ZEROINIT) != GMEM_FIXED) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (SimFaultCheck(SimFaultAlloc)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  /* A block of 0 bytes is still a distinct, valid block. */
  void *block = malloc(bytes ? bytes : 1);
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  memset(block, (flags & GMEM_ZEROINIT) ? 0 : 0xCD, bytes ? bytes : 1);
  LiveBlocks().insert(block);
  return block;
}

/* Null on success, the block itself on failure, as on Windows. */
HGLOBAL GlobalFree(HGLOBAL block) {
  if (!block) return nullptr;
  auto it = LiveBlocks().find(block);
  if (it == LiveBlocks().end()) {
    if (ForgottenBlocks().erase(block)) {
      free(block);
      return nullptr;
    }
    fprintf(stderr, "GlobalFree: %p is not a live block (double free?)\n",
            block);
    abort();
  }
  LiveBlocks().erase(it);
  free(block);
  return nullptr;
}

int SimLiveBlocks(void) { return (int)LiveBlocks().size(); }

void SimResetMemory(void) {
  ForgottenBlocks().insert(LiveBlocks().begin(), LiveBlocks().end());
  LiveBlocks().clear();
}
