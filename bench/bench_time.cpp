// Times programs: runs each command ROUNDS times, the commands taking turns so that a
// change of machine load touches all of them alike, after one untimed warm-up round. The
// disk is synced before each run, so that no command pays for the writes of the one before.
// Prints one line per command: its name, the median, lowest and highest wall time in
// milliseconds and the highest peak resident set size in kilobytes.
//
//   bench_time ROUNDS NAME[:COUNT] DIR PROGRAM [ARG...] [--- NAME[:COUNT] DIR PROGRAM [ARG...]]...
//
// Every command runs in DIR with standard output and standard error sent to /dev/null.
// With COUNT, a round runs the program COUNT times in a row and its time is divided by
// COUNT (for programs that take about a millisecond). A command that does not exit with
// status 0 is reported and ends the benchmark.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{
struct Command
{
    std::string name;
    std::string dir;
    int count = 1;
    std::vector<char *> argv;
    std::vector<double> milliseconds;
    long maxRssKb = 0;
};

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

bool RunOnce(Command &command, double *elapsed, long *maxRssKb)
{
    // What the command before wrote goes to the disk first, not during this one's time.
    sync();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, command.dir.c_str());
    double start = Now();
    pid_t child = 0;
    int error =
        posix_spawn(&child, command.argv[0], &actions, nullptr, command.argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
    {
        fprintf(stderr, "bench_time: %s: cannot start %s: %s\n", command.name.c_str(),
                command.argv[0], strerror(error));
        return false;
    }
    int status = 0;
    rusage usage;
    if (wait4(child, &status, 0, &usage) < 0)
        return false;
    *elapsed = Now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        fprintf(stderr, "bench_time: %s: exit status %d\n", command.name.c_str(),
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    *maxRssKb = std::max(*maxRssKb, usage.ru_maxrss);
    return true;
}

bool RunRound(Command &command, bool record)
{
    double total = 0;
    long maxRssKb = 0;
    for (int i = 0; i < command.count; ++i)
    {
        double elapsed = 0;
        if (!RunOnce(command, &elapsed, &maxRssKb))
            return false;
        total += elapsed;
    }
    if (record)
    {
        command.milliseconds.push_back(total / command.count);
        command.maxRssKb = std::max(command.maxRssKb, maxRssKb);
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    int arg = 1;
    if (argc - arg < 4)
    {
        fprintf(stderr, "usage: bench_time ROUNDS NAME[:COUNT] DIR PROGRAM [ARG...] [--- ...]\n");
        return 2;
    }
    int rounds = atoi(argv[arg++]);
    std::vector<Command> commands;
    while (arg < argc)
    {
        Command command;
        command.name = argv[arg++];
        size_t colon = command.name.find(':');
        if (colon != std::string::npos)
        {
            command.count = std::max(1, atoi(command.name.c_str() + colon + 1));
            command.name.resize(colon);
        }
        command.dir = arg < argc ? argv[arg++] : ".";
        while (arg < argc && strcmp(argv[arg], "---") != 0)
            command.argv.push_back(argv[arg++]);
        ++arg;
        if (command.argv.empty())
        {
            fprintf(stderr, "bench_time: %s has no program\n", command.name.c_str());
            return 2;
        }
        command.argv.push_back(nullptr);
        commands.push_back(command);
    }
    for (int round = -1; round < rounds; ++round)
        for (Command &command : commands)
            if (!RunRound(command, round >= 0))
                return 1;
    for (Command &command : commands)
    {
        std::vector<double> &ms = command.milliseconds;
        std::sort(ms.begin(), ms.end());
        size_t n = ms.size();
        double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
        printf("%s %.3f %.3f %.3f %ld\n", command.name.c_str(), median, ms.front(), ms.back(),
               command.maxRssKb);
    }
    return 0;
}
