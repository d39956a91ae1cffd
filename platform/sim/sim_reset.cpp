/* SimReset: every part of the test world back to its empty state.  Each
 * part of the stand-in defines its own reset; a part that is not linked
 * into a program has nothing to reset, which the weak defaults stand for. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_reset.h"

#define SIM_WEAK __attribute__((weak))
SIM_WEAK void SimResetFiles(void) {}
SIM_WEAK void SimResetDrives(void) {}
SIM_WEAK void SimResetMemory(void) {}
SIM_WEAK void SimResetResources(void) {}
SIM_WEAK void SimResetProfile(void) {}
SIM_WEAK void SimResetRegistry(void) {}
SIM_WEAK void SimResetUi(void) {}
SIM_WEAK void SimResetShell(void) {}

void SimReset(void) {
  SimFaultArm(0, 0, 0);
  SimResetFiles();
  SimResetDrives();
  SimResetMemory();
  SimResetResources();
  SimResetProfile();
  SimResetRegistry();
  SimResetUi();
  SimResetShell();
}
