// The minimal stand-in encoder of the full-run benchmark. Installed as sox.exe,
// AdpcmEncode.exe and WMAEncode.exe, it copies its input wave to its output, which is a
// valid result for all three argument vectors:
//   sox.exe IN -r RATE OUT resample
//   AdpcmEncode.exe -b 512 -f 16 IN OUT
//   WMAEncode.exe -b 96000 IN OUT
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{
std::string HostPath(const char *path)
{
    std::string host(path);
    for (char &c : host)
        if (c == '\\')
            c = '/';
    return host;
}
} // namespace

int main(int argc, char **argv)
{
    int in = -1, out = -1;
    if (argc == 6 && std::string(argv[5]) == "resample")
        in = 1, out = 4;
    else if (argc == 7)
        in = 5, out = 6;
    else if (argc == 5)
        in = 3, out = 4;
    else
        return 2;
    int source = open(HostPath(argv[in]).c_str(), O_RDONLY);
    int target = open(HostPath(argv[out]).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (source < 0 || target < 0)
        return 1;
    char buffer[65536];
    for (ssize_t got; (got = read(source, buffer, sizeof(buffer))) > 0;)
        if (write(target, buffer, static_cast<size_t>(got)) != got)
            return 1;
    return close(target) == 0 ? 0 : 1;
}
