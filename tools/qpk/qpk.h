/* The qpk tool: pack, list, extract and check update archives. */
#ifndef TOOLS_QPK_QPK_H
#define TOOLS_QPK_QPK_H

#include "tools/qpk/tool_paths.h"

#include <string>
#include <vector>

/* Exit statuses. */
enum { QpkOk = 0, QpkFailed = 1, QpkUsage = 2 };

int QpkMain(int argc, char **argv);
int QpkPack(const std::vector<std::string> &args);
int QpkList(const std::vector<std::string> &args);
int QpkExtract(const std::vector<std::string> &args);

/* "qpk: SUBJECT: text" on stderr (subject left out when empty). */
void QpkError(const std::string &subject, const std::string &text);
/* The archive being worked on, named in error lines. */
const std::string &CurrentArchive();
void SetCurrentArchive(const std::string &name);

/* Loads the archive file whole into memory and opens its index
 * (ArchiveImage, ArchiveImageSize, LoadedIndex).  On failure prints why
 * and returns false. */
bool LoadArchiveFile(const std::string &host_path);
void UnloadArchive();

#endif
