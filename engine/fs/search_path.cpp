// The search path: the fs_ settings, the order of game folders and archives built at
// start-up, its print, and shutdown.
#include "engine/fs/search_path.h"

#include "engine/common/console.h"
#include "engine/common/format.h"
#include "engine/common/memory.h"
#include "engine/common/str.h"
#include "engine/dvar/dvar.h"
#include "engine/fs/archive.h"
#include "engine/fs/file_access.h"
#include "engine/fs/listing.h"
#include "platform/files.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

SearchPath *fs_searchpaths;

namespace
{
constexpr int MAX_ARCHIVES_PER_FOLDER = 1024;
constexpr int GAME_FOLDER_SIZE = 64;
constexpr int LANGUAGE_SIZE = 55;
constexpr char LOCALIZED_PREFIX[] = "localized_";
constexpr char LOCALIZED_MARK[] = "          ";
constexpr int LOCALIZED_PREFIX_LENGTH = 10;

// Non-localized entries go to the head; a localized one goes just before the first
// localized entry, or to the tail when there is none.
void InsertSearchPath(SearchPath *entry)
{
    if (!entry->localized)
    {
        entry->next = fs_searchpaths;
        fs_searchpaths = entry;
        return;
    }
    SearchPath **link = &fs_searchpaths;
    while (*link != nullptr && !(*link)->localized)
        link = &(*link)->next;
    entry->next = *link;
    *link = entry;
}

// The run of letters after "localized_", at most 54 of them.
void FS_ArchiveLanguage(const char *name, char *language)
{
    int length = 0;
    if (strlen(name) >= static_cast<size_t>(LOCALIZED_PREFIX_LENGTH))
    {
        const char *letters = name + LOCALIZED_PREFIX_LENGTH;
        while (length < LANGUAGE_SIZE - 1 && isalpha(static_cast<unsigned char>(letters[length])))
        {
            language[length] = letters[length];
            ++length;
        }
    }
    language[length] = 0;
}

bool HasLocalizedMark(const char *name)
{
    return strncmp(name, LOCALIZED_MARK, LOCALIZED_PREFIX_LENGTH) == 0;
}

int FS_CompareArchiveNames(const void *first, const void *second)
{
    const char *a = *static_cast<const char *const *>(first);
    const char *b = *static_cast<const char *const *>(second);
    if (HasLocalizedMark(a) && HasLocalizedMark(b))
    {
        char languageA[LANGUAGE_SIZE];
        char languageB[LANGUAGE_SIZE];
        FS_ArchiveLanguage(a, languageA);
        FS_ArchiveLanguage(b, languageB);
        bool englishA = Str_CaseCompare(languageA, "english") == 0;
        bool englishB = Str_CaseCompare(languageB, "english") == 0;
        if (englishA != englishB)
            return englishA ? -1 : 1;
    }
    return FS_PathOrder(a, b);
}

// The OS path of a game folder itself, without the separator FS_BuildOSPath ends it
// with; false when the path was too long to build.
bool FolderOSPath(const char *path, const char *folder, char *osPath)
{
    FS_BuildOSPath(path, folder, "", osPath);
    size_t length = strlen(osPath);
    if (length == 0)
        return false;
    osPath[length - 1] = 0;
    return true;
}

void AddFolder(const char *path, const char *folder)
{
    // folder may be a va text; its ring can wrap while the folder is added.
    char name[GAME_FOLDER_SIZE];
    Str_Copy(name, folder, sizeof(name));
    FS_AddSearchDirectory(path, name, 1);
    FS_AddSearchDirectory(path, name, 0);
}

void AddDevelopmentFolders(const char *path)
{
    static const char *const folders[] = {"devraw_shared", "devraw", "raw_shared", "raw"};
    for (const char *folder : folders)
        AddFolder(path, folder);
}

// A base game or game folder below the CD, base and home paths.
void AddGameFolder(const char *folder, const char *cdPath, const char *basePath,
                   const char *homePath)
{
    if (cdPath[0] != 0)
        AddFolder(cdPath, folder);
    if (basePath[0] != 0)
        AddFolder(basePath, folder);
    if (homePath[0] != 0 && Str_CaseCompare(homePath, basePath) != 0)
        AddFolder(homePath, folder);
}
} // namespace

void FS_RegisterSettings()
{
    Dvar_RegisterInt("fs_debug", 0, 0, 2, 0, "Enable file system debugging information");
    Dvar_RegisterBool("fs_copyfiles", false, 0x10, "Copy all used files to another location");
    Dvar_RegisterString("fs_cdpath", "", 0x10, "CD path");
    char workingDir[FS_PATH_SIZE];
    if (!Plat_GetCwd(workingDir, sizeof(workingDir)))
        workingDir[0] = 0;
    Dvar *basePath = Dvar_RegisterString("fs_basepath", workingDir, 0x210, "Base game path");
    Dvar_RegisterString("fs_basegame", "", 0x10, "Base game name");
    Dvar_RegisterString("fs_game", "", 0x1c,
                        "Game data directory. Must be \"\" or a sub directory of 'mods/'.");
    Dvar_RegisterBool("fs_ignoreLocalized", false, 0xa0, "Ignore localized files");
    Dvar_RegisterString("fs_homepath", basePath != nullptr ? basePath->reset.string : workingDir,
                        0x10, "Game home path");
    Dvar_RegisterBool("fs_usedevdir", true, 0x10, "Use development directories.");
}

void FS_Startup()
{
    Com_Print(CHANNEL_VERBOSE, "----- FS_Startup -----\n");
    fs_archiveMemberTotal = 0;
    FS_RegisterSettings();

    // Copies, so that nothing below depends on the registry's storage of the texts.
    char basePath[FS_PATH_SIZE];
    char homePath[FS_PATH_SIZE];
    char cdPath[FS_PATH_SIZE];
    char baseGame[FS_PATH_SIZE];
    char game[FS_PATH_SIZE];
    Str_Copy(basePath, Dvar_GetString("fs_basepath"), sizeof(basePath));
    Str_Copy(homePath, Dvar_GetString("fs_homepath"), sizeof(homePath));
    Str_Copy(cdPath, Dvar_GetString("fs_cdpath"), sizeof(cdPath));
    Str_Copy(baseGame, Dvar_GetString("fs_basegame"), sizeof(baseGame));
    Str_Copy(game, Dvar_GetString("fs_game"), sizeof(game));
    bool useDevDir = Dvar_GetBool("fs_usedevdir");
    bool homeDiffers = Str_CaseCompare(homePath, basePath) != 0;

    if (basePath[0] != 0 && useDevDir)
        AddDevelopmentFolders(basePath);
    if (homePath[0] != 0 && homeDiffers && useDevDir)
        AddDevelopmentFolders(homePath);
    if (cdPath[0] != 0 && Str_CaseCompare(cdPath, basePath) != 0)
    {
        if (useDevDir)
            AddDevelopmentFolders(cdPath);
        AddFolder(cdPath, "main");
    }
    if (basePath[0] != 0)
    {
        AddFolder(basePath, va("%s_shared", "main"));
        AddFolder(basePath, "main");
    }
    if (basePath[0] != 0 && homeDiffers)
    {
        AddFolder(homePath, va("%s_shared", "main"));
        AddFolder(homePath, "main");
    }
    if (baseGame[0] != 0 && Str_CaseCompare(baseGame, "main") != 0)
        AddGameFolder(baseGame, cdPath, basePath, homePath);
    if (game[0] != 0 && Str_CaseCompare(game, "main") != 0)
        AddGameFolder(game, cdPath, basePath, homePath);

    FS_PrintSearchPaths();
    Dvar *gameDvar = Dvar_FindVar("fs_game");
    if (gameDvar != nullptr)
        Dvar_ClearModified(gameDvar);
    Com_Print(CHANNEL_VERBOSE, "----------------------\n");
    Com_Print(CHANNEL_VERBOSE, "%d files in vdz files\n", fs_archiveMemberTotal);
}

void FS_AddSearchDirectory(const char *path, const char *folder, int localized)
{
    char gameDir[GAME_FOLDER_SIZE];
    if (localized)
        Com_FormatBuffer(gameDir, sizeof(gameDir), "%s/%s", folder, "english");
    else
        Str_Copy(gameDir, folder, sizeof(gameDir));

    for (SearchPath *search = fs_searchpaths; search != nullptr; search = search->next)
    {
        const GameDirectory *directory = search->directory;
        if (directory == nullptr || Str_CaseCompare(directory->path, path) != 0 ||
            Str_CaseCompare(directory->gameDir, gameDir) != 0)
            continue;
        if ((search->localized != 0) != (localized != 0))
            Com_PrintVerbose("WARNING: game folder %s/%s added as both localized & "
                             "non-localized. Using folder as %s\n",
                             path, gameDir, search->localized ? "localized" : "non-localized");
        return;
    }

    if (localized)
    {
        char osPath[FS_PATH_SIZE];
        if (!FolderOSPath(path, gameDir, osPath) || !Sys_DirectoryHasEntries(osPath))
            return;
    }

    GameDirectory *directory = static_cast<GameDirectory *>(Z_Malloc(sizeof(GameDirectory)));
    Str_Copy(directory->path, path, sizeof(directory->path));
    Str_Copy(directory->gameDir, gameDir, sizeof(directory->gameDir));
    SearchPath *entry = static_cast<SearchPath *>(Z_Malloc(sizeof(SearchPath)));
    entry->directory = directory;
    entry->localized = localized ? 1 : 0;
    InsertSearchPath(entry);

    FS_AddArchivesInDirectory(path, gameDir);
}

void FS_AddArchivesInDirectory(const char *path, const char *folder)
{
    char osPath[FS_PATH_SIZE];
    if (!FolderOSPath(path, folder, osPath))
        return;
    int found = 0;
    const char **listed = Sys_ListFiles(osPath, "vdz", &found);
    if (listed == nullptr)
        return;
    int count = found;
    if (count > MAX_ARCHIVES_PER_FOLDER)
    {
        Com_PrintVerbose("WARNING: Exceeded max number of vdz files in %s/%s (%i/%i)\n", path,
                         folder, found, MAX_ARCHIVES_PER_FOLDER);
        count = MAX_ARCHIVES_PER_FOLDER;
    }
    bool mainCheck = Str_CaseCompare(folder, "main") == 0 &&
                     Str_CaseCompare(path, Dvar_GetString("fs_basepath")) == 0;

    // The names live in the listing's own arena, so they are marked and sorted in place.
    char *names[MAX_ARCHIVES_PER_FOLDER];
    for (int i = 0; i < count; ++i)
    {
        names[i] = const_cast<char *>(listed[i]);
        if (strncmp(names[i], LOCALIZED_PREFIX, LOCALIZED_PREFIX_LENGTH) == 0)
            memcpy(names[i], LOCALIZED_MARK, LOCALIZED_PREFIX_LENGTH);
    }
    qsort(names, static_cast<size_t>(count), sizeof(names[0]), FS_CompareArchiveNames);

    for (int i = 0; i < count; ++i)
    {
        char *name = names[i];
        int localized = 0;
        if (HasLocalizedMark(name))
        {
            memcpy(name, LOCALIZED_PREFIX, LOCALIZED_PREFIX_LENGTH);
            char language[LANGUAGE_SIZE];
            FS_ArchiveLanguage(name, language);
            if (language[0] == 0)
            {
                Com_PrintVerbose("WARNING: Localized assets vdz file %s/%s/%s has invalid name "
                                 "(no language specified). Proper naming convention is: "
                                 "localized_[language]_vdz#.vdz\n",
                                 path, folder, name);
                continue;
            }
            if (Str_CaseCompare(language, "english") != 0)
                continue;
            localized = 1;
        }
        else if (mainCheck && Str_CaseCompareN(name, "vd_", 3) != 0)
        {
            Com_PrintVerbose("WARNING: Invalid VDZ %s in \\main.\n", name);
            continue;
        }

        char archivePath[FS_PATH_SIZE];
        FS_BuildOSPath(path, folder, name, archivePath);
        if (archivePath[0] == 0)
            continue;
        Archive *archive = FS_LoadArchive(name, archivePath);
        if (archive == nullptr)
            continue;
        Str_Copy(archive->gameName, folder, sizeof(archive->gameName));
        SearchPath *entry = static_cast<SearchPath *>(Z_Malloc(sizeof(SearchPath)));
        entry->archive = archive;
        entry->localized = localized;
        InsertSearchPath(entry);
    }
    Sys_ReleaseFileList(listed);
}

void FS_PrintSearchPaths()
{
    if (Dvar_GetBool("fs_ignoreLocalized"))
        Com_Print(CHANNEL_VERBOSE, "    localized assets are being ignored\n");
    Com_Print(CHANNEL_VERBOSE, "Current search path:\n");
    for (const SearchPath *search = fs_searchpaths; search != nullptr; search = search->next)
    {
        if (search->archive != nullptr)
            Com_Print(CHANNEL_VERBOSE, "%s (%i files)\n", search->archive->osPath,
                      search->archive->memberCount);
        else if (search->directory != nullptr)
            Com_Print(CHANNEL_VERBOSE, "%s/%s\n", search->directory->path,
                      search->directory->gameDir);
    }
    Com_Print(CHANNEL_VERBOSE, "\nFile Handles:\n");
    for (int handle = 1; handle < FS_MAX_HANDLES; ++handle)
        if (fsHandles[handle].file != nullptr)
            Com_Print(CHANNEL_VERBOSE, "handle %i: %s\n", handle, fsHandles[handle].gamePath);
}

void FS_ShutdownFileSystem()
{
    for (int handle = 1; handle < FS_MAX_HANDLES; ++handle)
        if (fsHandles[handle].file != nullptr)
            FS_CloseHandle(handle);
    SearchPath *search = fs_searchpaths;
    while (search != nullptr)
    {
        SearchPath *next = search->next;
        if (search->archive != nullptr)
            FS_FreeArchive(search->archive);
        if (search->directory != nullptr)
            free(search->directory);
        free(search);
        search = next;
    }
    fs_searchpaths = nullptr;
}
