// Internal to the POSIX backend: what it remembers of the file system between calls, and
// the events that keep that right. Every cache lives in cache_posix.cpp with its invariant
// stated there; the operations of the backend report what they did, one event for each
// thing done, and never change a cache themselves.
//
// No cache follows what other processes do (the programs this one starts included): a
// name asked for exactly is always asked of the disk, and the lookups below tell where an
// answer taken from a cache may miss another process's change.
#pragma once

#include <cstddef>
#include <string>
#include <sys/stat.h>

// Events: this process has...
// ...made the file or folder hostPath, or written a file there in place of another.
void Posix_Created(const std::string &hostPath, bool isFolder);
// ...removed the file or folder hostPath.
void Posix_Removed(const std::string &hostPath, bool isFolder);
// ...renamed from over to.
void Posix_Renamed(const std::string &from, const std::string &to, bool isFolder);
// ...read every name of folder (with "." and "..").
void Posix_Listed(const std::string &folder, const std::string *names, size_t count);
// ...changed its current directory.
void Posix_DirectoryChanged();
// ...found through the whole path a name that the held handle of its folder did not show:
// the folder at that path was replaced since its handle was opened.
void Posix_FolderReplaced();
// ...started a program, which may change any file.
void Posix_ProgramStarted();

// The absolute form of a host path; "" and "." give the current directory.
std::string Posix_Absolute(const std::string &path);

// Looks name up, ignoring ASCII case, in the listing of absoluteFolder (read from the disk
// the first time). Returns the listed spelling, good until the next call into this module,
// or null; folderExists tells whether the folder could be read. A name that another
// process made after the folder was read is missed, unless verifyMissing: then a miss costs
// one lstat, and a name found there has the folder read again.
const std::string *Posix_FindInFolder(const std::string &absoluteFolder, const std::string &name,
                                      bool verifyMissing, bool *folderExists);

// True when the listing of absoluteFolder is held and the folder could be read.
bool Posix_FolderListed(const std::string &absoluteFolder);

// Answers from the held listing of path's folder, when that folder's listing is held
// under the folder's spelling as given: true, with found telling whether the last
// component is listed (ignoring ASCII case) and resolved holding the path with the listed
// spelling when that differs from the one given (else empty). False when no listing of
// the folder is held. A file that another process made after the listing was read is
// not seen.
bool Posix_LookupCached(const std::string &path, std::string *resolved, bool *found);

// A handle (O_PATH) of the folder host[0, length), as spelled, for naming files relative
// to it; -1 when the whole path is to be used: the first time in a row a folder is named (a
// folder named once costs no handle), and when it does not open as spelled (the whole path
// is always right, so a folder made later costs only time). A name found through the
// handle may be one of a folder that another process has since replaced; a name missing
// there is to be decided by the whole path (then Posix_FolderReplaced).
int Posix_HeldFolder(const std::string &host, size_t length);

// Keeps the status that a read test took of hostPath (as spelled) for the last-write time
// asked next: the up-to-date decision asks for a source's time right after testing it for
// reading, and one stat serves both.
void Posix_KeepStatus(const std::string &hostPath, const struct stat &info);
// Takes the status kept of hostPath out of the cache; false when none is kept.
bool Posix_TakeStatus(const std::string &hostPath, struct stat *info);
