/* Refusing to run beside another updater or the running game. */
#ifndef APP_RUNNING_CHECKS_H
#define APP_RUNNING_CHECKS_H

/* Raises the window of another updater with the same caption and returns
 * 0 when one is open; returns 1 when none is. */
int NoOtherUpdater(void);

/* Prompts (OK/Cancel) for as long as the game's window, under GameTitle
 * and then under GameTitleA when set, is found.  Returns 1 once none is
 * found; on Cancel raises the game's window and returns 0. */
int GameHasEnded(void);

#endif
