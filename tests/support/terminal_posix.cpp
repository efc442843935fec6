// POSIX implementation of RunWithTerminal: openpty, fork and exec, the terminal read until
// the program has closed its side.
#include "tests/support/terminal.h"

#include "tests/support/scoped_dir.h"

#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

TerminalRun RunWithTerminal(const std::string &program, const std::vector<std::string> &args,
                            const std::string &folder)
{
    ScopedDir capture;
    std::string outPath = capture / "out";
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("no pseudo-terminal");
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0)
    {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(slave, 2);
        close(master);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    TerminalRun run;
    char buffer[4096];
    for (;;)
    {
        ssize_t got = read(master, buffer, sizeof(buffer));
        if (got <= 0)
            break; // EIO once the program has closed its side
        run.terminal.append(buffer, static_cast<size_t>(got));
    }
    close(master);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(outPath);
    return run;
}
