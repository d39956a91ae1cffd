/* The one fault injector of the Linux test world.  A countdown over the
 * operations of the armed kinds: the nth fails, and with the persistent
 * switch every one after it as well. */
#include "platform/sim/sim_control.h"

static struct {
  int armed;
  int target;       /* 1-based number of the first failing operation */
  unsigned kinds;
  int persistent;
  int operations;   /* counted operations of the armed kinds */
  int injected;
} Fault;

void SimFaultArm(int n, unsigned kinds, int persistent) {
  Fault.armed = n > 0;
  Fault.target = n;
  Fault.kinds = kinds;
  Fault.persistent = persistent;
  Fault.operations = 0;
  Fault.injected = 0;
}

void SimFaultDisarm(void) { Fault.armed = 0; }

int SimFaultOperations(void) { return Fault.operations; }

int SimFaultsInjected(void) { return Fault.injected; }

int SimFaultCheck(unsigned kind) {
  if (!(Fault.kinds & kind)) return 0;
  Fault.operations++;
  if (!Fault.armed) return 0;
  if (Fault.operations == Fault.target ||
      (Fault.persistent && Fault.operations > Fault.target)) {
    Fault.injected++;
    return 1;
  }
  return 0;
}
