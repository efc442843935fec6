// Internal to the POSIX backend: mapping of tool paths to host paths, errno
// translation, and case-insensitive name resolution over the folder listings of
// posix_cache.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The tool's path with every "\" turned into "/".
std::string Posix_HostPath(const char *path);

// The Windows-numbered code for an errno value; unknown values keep the errno in the
// application-defined code range (bit 29 set).
uint32_t Posix_ErrorFromErrno(int error);
void Posix_SetErrno(int error);

// Resolves path component by component ignoring ASCII case. Returns true with the
// host's spelling in resolved when the whole path exists. Otherwise returns false and
// sets missingCode to 2 (only the last component is missing; resolved then holds the
// resolved folder, "/" and the last component as given) or 3 (a folder is missing).
// A folder missing from a held listing is checked on disk; the last component only
// with verifyLeaf (callers that already tried the exact name pass false). folderAsSpelled
// tells that the path's folder exists as spelled, so only the last name is looked up.
bool Posix_Resolve(const std::string &path, std::string *resolved, uint32_t *missingCode,
                   bool verifyLeaf = false, bool folderAsSpelled = false);

// Resolves the folder of path and, when a name differing only in case exists in it,
// that name. Used before creating: writes reuse the existing spelling. False with
// PLAT_ERROR_PATH_NOT_FOUND when the folder is missing.
bool Posix_ResolveForCreate(const std::string &path, std::string *resolved);

// Splits a host path at its last "/": the folder ("" for none, "/" for the root) and the
// last component.
void Posix_SplitParent(const std::string &path, std::string *parent, std::string *name);

// Reads the folder open as fd: every name (with "." and "..") and its directory-entry
// type, in the host's order. Returns 0, or the errno of a failure while reading; the names
// read before it are kept.
int Posix_ReadFolder(int fd, std::vector<std::string> *names, std::vector<unsigned char> *types);

// True when pattern matches name: "*" any run, "?" one character, ASCII case ignored.
bool Posix_WildcardMatch(const char *pattern, const char *name);
