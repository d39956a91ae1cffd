/* The extracted update script: a file of this process's own in the
 * temporary folder, held open from extraction to CleanUp. */
#ifndef APP_SCRIPT_FILE_H
#define APP_SCRIPT_FILE_H

/* Reserves a new, uniquely named file in the temporary folder, writes the
 * archive's "UPDATE.INI" into it and opens it so that others may read it
 * but neither write, replace nor delete it while the updater runs.
 * ScriptPath names the file from the moment it is reserved, so CleanUp
 * deletes it also when a later step fails; it stays empty when nothing was
 * reserved.  Returns 1 on success, 0 on failure (no message of its own;
 * ExtractMember may have shown one). */
int ExtractScript(void);

/* Closes the script's handle and deletes the file, if there is one. */
void DiscardScript(void);

#endif
