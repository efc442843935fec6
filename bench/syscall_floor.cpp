// The system-call floor of a run that converts nothing: the manifest that bench_kit wrote
// is read, the output tree is walked once, and for every sound file its source gets one
// read-access test and both files one last-write time. Nothing else; what this costs is
// what the operating system charges for the work a no-op run cannot avoid.
//
//   syscall_floor MANIFEST
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
long WalkFolder(const std::string &folder)
{
    DIR *dir = opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    long files = 0;
    while (dirent *entry = readdir(dir))
    {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
            continue;
        if (entry->d_type == DT_DIR)
            files += WalkFolder(folder + "/" + entry->d_name);
        else
            ++files;
    }
    closedir(dir);
    return files;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: syscall_floor MANIFEST\n");
        return 2;
    }
    FILE *manifest = fopen(argv[1], "r");
    if (manifest == nullptr)
    {
        perror(argv[1]);
        return 1;
    }
    long files = 0, stale = 0, sounds = 0;
    char line[2048];
    while (fgets(line, sizeof(line), manifest) != nullptr)
    {
        line[strcspn(line, "\n")] = 0;
        char *tab = strchr(line, '\t');
        if (tab == nullptr)
            continue;
        *tab = 0;
        if (strcmp(line, "walk") == 0)
        {
            files += WalkFolder(tab + 1);
            continue;
        }
        ++sounds;
        struct stat source, target;
        if (access(line, R_OK) != 0 || stat(tab + 1, &target) != 0 || stat(line, &source) != 0 ||
            source.st_mtim.tv_sec > target.st_mtim.tv_sec)
            ++stale;
    }
    fclose(manifest);
    printf("%ld sounds, %ld out of date, %ld files in the output tree\n", sounds, stale, files);
    return 0;
}
