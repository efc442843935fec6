// Runs chains of programs, JOBS chains at a time, as a bare parallel driver would: the
// cost of the conversion programs alone, for comparing Auralith's "-jobs" against.
//
//   bare_jobs JOBS CHAINS
//
// Each line of the file CHAINS is one chain: commands separated by " ; ", words by blanks.
// The commands of a chain run one after the other; "{job}" in a word becomes the number
// (from 1) of the job that runs the chain, so that chains running at the same time have
// scratch files of their own. Programs are named relative to the current folder. Exits
// with 1 when a command cannot start or does not exit with status 0.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace
{
using Command = std::vector<std::string>;
using Chain = std::vector<Command>;

std::vector<Chain> ReadChains(const char *path)
{
    std::vector<Chain> chains;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
    {
        Chain chain;
        Command command;
        std::istringstream words(line);
        for (std::string word; words >> word;)
        {
            if (word == ";")
            {
                chain.push_back(command);
                command.clear();
            }
            else
                command.push_back(word);
        }
        if (!command.empty())
            chain.push_back(command);
        if (!chain.empty())
            chains.push_back(chain);
    }
    return chains;
}

pid_t Start(const Command &command, int job)
{
    std::vector<std::string> words = command;
    for (std::string &word : words)
        for (size_t at; (at = word.find("{job}")) != std::string::npos;)
            word.replace(at, 5, std::to_string(job));
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    std::string program = words[0].find('/') == std::string::npos ? "./" + words[0] : words[0];
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
    {
        fprintf(stderr, "bare_jobs: cannot start %s\n", program.c_str());
        exit(1);
    }
    return pid;
}

struct Running
{
    pid_t pid = 0;
    size_t chain = 0;
    size_t step = 0;
};
} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || atoi(argv[1]) < 1)
    {
        fprintf(stderr, "usage: bare_jobs JOBS CHAINS\n");
        return 2;
    }
    std::vector<Chain> chains = ReadChains(argv[2]);
    std::vector<Running> jobs(static_cast<size_t>(atoi(argv[1])));
    size_t next = 0;
    size_t running = 0;
    for (size_t j = 0; j < jobs.size() && next < chains.size(); ++j, ++next, ++running)
        jobs[j] = Running{Start(chains[next][0], int(j) + 1), next, 0};
    while (running > 0)
    {
        int status = 0;
        pid_t ended = wait(&status);
        if (ended < 0)
            break;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            fprintf(stderr, "bare_jobs: a command failed\n");
            return 1;
        }
        for (size_t j = 0; j < jobs.size(); ++j)
        {
            Running &job = jobs[j];
            if (job.pid != ended)
                continue;
            if (++job.step < chains[job.chain].size())
                job.pid = Start(chains[job.chain][job.step], int(j) + 1);
            else if (next < chains.size())
                job = Running{Start(chains[next][0], int(j) + 1), next++, 0};
            else
            {
                job.pid = 0;
                --running;
            }
        }
    }
    return 0;
}
