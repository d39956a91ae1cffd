/* qpk check: the publisher's lint for an update script.
 *
 *   qpk check UPDATE.INI [FILE...] [--setup SETUP.INI]
 *   qpk check ARCHIVE [--setup SETUP.INI]
 *
 * Reads the script (or the archive's UPDATE.INI member) through the
 * updater's own readers and prints one line per problem on stdout,
 * "SCRIPT: KEY: problem", for what the updater would silently do
 * differently from what the author likely meant.  The members the entries
 * name are looked up among the FILEs (by base name) or in the archive;
 * with --setup, the disks of copy entries are looked up among the
 * installed SETUP.INI's DiskCheckFile keys.  Exit status: 0 clean,
 * 1 problems found, 2 wrong usage or an input that cannot be read. */
#ifndef TOOLS_QPK_CHECK_H
#define TOOLS_QPK_CHECK_H

/* argv[0] is "check". */
int QpkCheckMain(int argc, char **argv);

#endif
