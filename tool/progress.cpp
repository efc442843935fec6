// The progress line of a conversion run.
#include "tool/progress.h"

#include "platform/system.h"
#include "records/tool_state.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t REDRAW_MILLISECONDS = 250;
constexpr size_t LINE_WIDTH = 79; // characters; the line begins with a carriage return

struct Progress
{
    bool active;
    int total;
    int firstFile;   // filesCount when the line began
    int firstLaunch; // updatedCount when the line began
    uint32_t lastDraw;
    size_t drawnLength;            // characters on the terminal now; 0 when nothing is drawn
    std::vector<std::string> jobs; // the file each job converts, or empty
};
Progress progress;

void Draw(uint32_t now)
{
    uint32_t seconds = (now - toolState.run.startTime) / 1000;
    char line[160];
    snprintf(line, sizeof(line), "\rsound files %d/%d, encoder launches %d, %um %02us",
             toolState.run.filesCount - progress.firstFile, progress.total,
             toolState.run.updatedCount - progress.firstLaunch, seconds / 60, seconds % 60);
    std::string text(line);
    for (size_t i = 0; i < progress.jobs.size(); ++i)
        if (!progress.jobs[i].empty())
            text += " [" + std::to_string(i + 1) + "] " + progress.jobs[i];
    // A line that wrapped could not be drawn over again.
    if (text.size() > LINE_WIDTH + 1)
        text = text.substr(0, LINE_WIDTH - 2) + "...";
    // A shorter line than the last one leaves no characters of it behind.
    size_t visible = text.size() - 1;
    if (visible < progress.drawnLength)
        text.append(progress.drawnLength - visible, ' ');
    fputs(text.c_str(), stderr);
    fflush(stderr);
    progress.drawnLength = visible > progress.drawnLength ? visible : progress.drawnLength;
    progress.lastDraw = now;
}
} // namespace

void Tool_BeginProgress(int total)
{
    progress = Progress{};
    if (toolState.options.verbose || !Plat_StderrIsTerminal())
        return;
    progress.active = true;
    progress.total = total;
    progress.firstFile = toolState.run.filesCount;
    progress.firstLaunch = toolState.run.updatedCount;
    progress.lastDraw = Plat_Milliseconds();
}

void Tool_UpdateProgress()
{
    if (!progress.active)
        return;
    uint32_t now = Plat_Milliseconds();
    if (now - progress.lastDraw >= REDRAW_MILLISECONDS)
        Draw(now);
}

void Tool_EndProgress()
{
    if (progress.active && progress.drawnLength > 0)
    {
        std::string blank = "\r" + std::string(progress.drawnLength, ' ') + "\r";
        fputs(blank.c_str(), stderr);
        fflush(stderr);
    }
    progress = Progress{};
}

void Tool_ProgressJob(int index, const char *file)
{
    if (!progress.active)
        return;
    if (progress.jobs.size() <= static_cast<size_t>(index))
        progress.jobs.resize(static_cast<size_t>(index) + 1);
    progress.jobs[static_cast<size_t>(index)] = file != nullptr ? file : "";
}
