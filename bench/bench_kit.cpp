// Benchmark kit generator. Lays out a kit of COUNT sound files with a fixed seed: alias
// files of a realistic mix (loaded and streamed, localized, numbered "_##" aliases,
// devraw-only and ".pc.wav" sources, rows repeated across files, comments), small source
// waves and, with --converted, the converted files, a few orphans and a history file, so
// that a run of Auralith over the kit converts nothing. It also writes, for the
// references, bench/manifest.txt (what the system-call floor touches) and
// ninja/build.ninja with a matching ninja/.ninja_log (one edge per sound).
//
//   bench_kit KIT COUNT [--converted] [--seed N]
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
// splitmix64: the same numbers on every host and standard library.
struct Random
{
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(int percentTimesTen) { return Below(1000) < percentTimesTen; }
};

const char *const plainCategories[] = {"weapons", "vehicles", "ambient",   "foley",     "ui",
                                       "music",   "physics",  "creatures", "impacts",   "doors",
                                       "explode", "gear",     "water",     "industrial"};
const char *const localizedCategories[] = {"voiceovers", "battlechatter"};
const char *const subWords[] = {"rifle", "pistol", "tank", "jeep",  "heli",  "wind",  "rain",
                                "steps", "cloth",  "menu", "alarm", "metal", "wood",  "glass",
                                "dirt",  "mud",    "boss", "crowd", "radio", "squad", "intro"};
const char *const groupWords[] = {"fire", "reload", "idle", "start", "stop", "loop",   "hit",
                                  "near", "far",    "low",  "high",  "tail", "impact", "slide",
                                  "open", "close",  "on",   "off",   "call", "order",  "pain"};
const char *const nameWords[] = {"shot", "clip",  "burst",  "hum",   "crack", "thud",  "swish",
                                 "beep", "creak", "roar",   "whine", "line",  "shout", "knock",
                                 "drip", "buzz",  "rumble", "clank", "snap",  "ring",  "tick"};

template <size_t N> const char *Pick(Random &random, const char *const (&words)[N])
{
    return words[random.Below(static_cast<int>(N))];
}

struct Sound
{
    std::string file;   // as the alias names it, below sound/ (ends in .wav or _##.wav)
    std::string source; // the source that a run reads, below the kit root
    std::vector<std::string> variants; // numbered: the sources of the folder
    std::string category;
    bool streamed = false;
    bool devraw = false;
    bool localized = false;
    bool pcWave = false;
    bool alsoStreamed = false; // a second row makes it streamed too: two visits, one target
    std::string type, loop, spatialized, compression, platform, conversion;
};

struct Kit
{
    std::string root;
    bool converted = false;
    std::vector<Sound> sounds;
};

void Fail(const std::string &what)
{
    fprintf(stderr, "bench_kit: %s: %s\n", what.c_str(), strerror(errno));
    exit(1);
}

void MakeDirs(const std::string &path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0777);
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        Fail(path);
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
    {
        MakeDirs(path.substr(0, path.find_last_of('/')));
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    }
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        Fail(path);
    close(fd);
}

void SetTime(const std::string &path, time_t when)
{
    struct timespec times[2] = {{when, 0}, {when, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        Fail(path);
}

void Put16(std::string &out, uint32_t v)
{
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}
void Put32(std::string &out, uint32_t v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

// A short 16-bit mono wave at 44100 Hz: too short for WMA, so every conversion is one
// AdpcmEncode.exe launch.
std::string SourceWave(Random &random)
{
    uint32_t frames = 200 + static_cast<uint32_t>(random.Below(400));
    std::string out = "RIFF";
    Put32(out, 36 + frames * 2);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, 44100);
    Put32(out, 88200);
    Put16(out, 2);
    Put16(out, 16);
    out += "data";
    Put32(out, frames * 2);
    uint32_t noise = static_cast<uint32_t>(random.Next());
    for (uint32_t i = 0; i < frames; ++i)
    {
        noise = noise * 1103515245u + 12345u;
        Put16(out, (noise >> 16) & 0x0fff);
    }
    return out;
}

std::string NumberText(int n, int width)
{
    char text[16];
    snprintf(text, sizeof(text), "%0*d", width, n);
    return text;
}

std::string Folder(Random &random, const char *category)
{
    std::string folder =
        std::string(category) + "/" + Pick(random, subWords) + NumberText(random.Below(40), 2);
    if (random.Chance(600))
        folder += std::string("/") + Pick(random, groupWords);
    return folder;
}

void ChooseValues(Random &random, Sound &sound)
{
    int kind = random.Below(100);
    sound.streamed = kind < 30;
    sound.type = kind < 25 ? "streamed" : kind < 30 ? "primed" : kind < 70 ? "loaded" : "";
    sound.loop = random.Chance(100) ? "looping" : random.Chance(10) ? "rlooping" : "";
    sound.spatialized = random.Chance(200) ? "3d" : "";
    sound.compression = random.Chance(100) ? "adpcm" : "";
    sound.platform = random.Chance(100) ? "pc" : "";
    sound.conversion = random.Chance(10) ? "mp3" : "";
}

// Fills kit.sounds with count visited sound files.
void PlanSounds(Random &random, Kit &kit, int count)
{
    int folderCount = count / 40 > 8 ? count / 40 : 8;
    std::vector<std::string> folders;
    std::vector<bool> folderLocalized;
    for (int i = 0; i < folderCount; ++i)
    {
        bool localized = random.Chance(100);
        folders.push_back(Folder(random, localized ? Pick(random, localizedCategories)
                                                   : Pick(random, plainCategories)));
        folderLocalized.push_back(localized);
    }
    int serial = 0;
    int visits = 0;
    while (visits < count)
    {
        int f = random.Below(folderCount);
        Sound sound;
        sound.category = folders[f].substr(0, folders[f].find('/'));
        sound.localized = folderLocalized[f];
        ChooseValues(random, sound);
        std::string language = sound.localized ? "english/" : "";
        std::string name = std::string(Pick(random, nameWords)) + "_" + NumberText(serial++, 5);
        if (!sound.localized && count - visits >= 6 && random.Chance(4))
        {
            // A numbered alias: name_##.wav stands for the folder name/ and its variants.
            int variants = 2 + random.Below(5);
            sound.file = folders[f] + "/" + name + "_##.wav";
            for (int v = 1; v <= variants; ++v)
            {
                std::string variant =
                    folders[f] + "/" + name + "/" + name + NumberText(v, 2) + ".wav";
                sound.variants.push_back(variant);
            }
            visits += variants;
        }
        else
        {
            sound.file = folders[f] + "/" + name + ".wav";
            sound.devraw = !sound.localized && random.Chance(30);
            sound.pcWave = !sound.devraw && random.Chance(10);
            sound.alsoStreamed = !sound.streamed && random.Chance(3);
            visits += sound.alsoStreamed ? 2 : 1;
        }
        std::string tree = sound.devraw ? "devraw" : "raw";
        std::string stem = sound.file.substr(0, sound.file.size() - 4);
        sound.source = "sound_assets/" + tree + "/" + language + "sound/" +
                       (sound.pcWave ? stem + ".pc.wav" : sound.file);
        kit.sounds.push_back(sound);
    }
}

void WriteAliasFiles(Random &random, Kit &kit)
{
    // Rows grouped by category; each category's rows are split into files of a few
    // hundred to a few thousand rows. About one sound in twenty has a second row in
    // another file.
    std::vector<std::string> categories;
    for (const char *c : plainCategories)
        categories.push_back(c);
    for (const char *c : localizedCategories)
        categories.push_back(c);
    std::vector<std::vector<std::string>> files;
    std::vector<std::string> fileNames;
    const char *header = "name,file,type,loop,spatialized,compression,platform,conversion,notes\n";
    auto row = [&](const Sound &sound, const std::string &alias, const std::string &type)
    {
        std::string notes = random.Chance(50) ? "\"take 2, trimmed\"" : "";
        return alias + "," + sound.file + "," + type + "," + sound.loop + "," + sound.spatialized +
               "," + sound.compression + "," + sound.platform + "," + sound.conversion + "," +
               notes + "\n";
    };
    for (const std::string &category : categories)
    {
        std::vector<std::string> rows;
        for (const Sound &sound : kit.sounds)
        {
            if (sound.category != category)
                continue;
            std::string alias = sound.file.substr(0, sound.file.size() - 4);
            for (char &c : alias)
                if (c == '/' || c == '#')
                    c = '_';
            if (alias.size() > 62)
                alias.resize(62);
            rows.push_back(row(sound, alias, sound.type));
        }
        for (size_t i = rows.size(); i > 1; --i)
            std::swap(rows[i - 1], rows[static_cast<size_t>(random.Below(static_cast<int>(i)))]);
        for (size_t start = 0, part = 0; start < rows.size(); ++part)
        {
            size_t size = 200 + static_cast<size_t>(random.Below(2800));
            std::vector<std::string> chunk(
                rows.begin() + static_cast<long>(start),
                rows.begin() + static_cast<long>(std::min(rows.size(), start + size)));
            start += size;
            files.push_back(chunk);
            fileNames.push_back(category + "_" + NumberText(static_cast<int>(part), 2) + ".csv");
        }
    }
    if (files.empty())
        return;
    for (size_t i = 0; i < kit.sounds.size(); ++i)
    {
        Sound &sound = kit.sounds[i];
        size_t other = static_cast<size_t>(random.Below(static_cast<int>(files.size())));
        if (random.Chance(50))
            files[other].push_back(
                row(sound, "dup_" + NumberText(static_cast<int>(i), 6), sound.type));
        if (sound.alsoStreamed)
            files[other].push_back(
                row(sound, "stream_" + NumberText(static_cast<int>(i), 6), "streamed"));
    }
    for (size_t i = 0; i < files.size(); ++i)
    {
        std::string text = "# " + fileNames[i] + ": generated for the benchmark\n" + header;
        for (size_t r = 0; r < files[i].size(); ++r)
        {
            if (r % 97 == 96)
                text += "\n# section\n";
            text += files[i][r];
        }
        WriteFile(kit.root + "/main/soundaliases/" + fileNames[i], text);
    }
}

// ninja's hash of a command line (MurmurHash64A with ninja's seed), for .ninja_log.
uint64_t NinjaHash(const std::string &text)
{
    const uint64_t m = 0xc6a4a7935bd1e995ull;
    const int r = 47;
    size_t length = text.size();
    uint64_t h = 0xDECAFBADDECAFBADull ^ (length * m);
    const unsigned char *data = reinterpret_cast<const unsigned char *>(text.data());
    while (length >= 8)
    {
        uint64_t k;
        memcpy(&k, data, sizeof(k));
        k *= m;
        k ^= k >> r;
        k *= m;
        h ^= k;
        h *= m;
        data += 8;
        length -= 8;
    }
    if (length > 0)
    {
        for (size_t i = length; i > 0; --i)
            h ^= uint64_t(data[i - 1]) << (8 * (i - 1));
        h *= m;
    }
    h ^= h >> r;
    h *= m;
    h ^= h >> r;
    return h;
}

struct Converted
{
    std::string source;
    std::string target;
    bool streamed;
    std::string history;
    std::string file; // as the work list names it
    bool devraw;
};

void WriteSources(Random &random, Kit &kit, std::vector<Converted> *visits)
{
    time_t sourceTime = time(nullptr) - 86400;
    for (const Sound &sound : kit.sounds)
    {
        std::vector<std::pair<std::string, std::string>> files; // source, alias file
        if (sound.variants.empty())
            files.push_back({sound.source, sound.file});
        else
            for (const std::string &variant : sound.variants)
                files.push_back({"sound_assets/raw/sound/" + variant, variant});
        for (const auto &file : files)
        {
            std::string path = kit.root + "/" + file.first;
            WriteFile(path, SourceWave(random));
            SetTime(path, sourceTime);
            if (sound.pcWave)
            {
                // The plain wave beside the platform-specific one, which wins.
                std::string plain = path.substr(0, path.size() - 7) + ".wav";
                WriteFile(plain, SourceWave(random));
                SetTime(plain, sourceTime);
            }
            std::string language = sound.localized ? "english/" : "";
            std::string tree = sound.devraw ? "devraw" : "raw";
            Converted visit;
            visit.source = file.first;
            visit.target = tree + "/" + language + "sound/" + file.second;
            visit.streamed = sound.streamed;
            visit.history = language + file.second;
            visit.file = file.second;
            visit.devraw = sound.devraw;
            visits->push_back(visit);
            if (sound.alsoStreamed)
            {
                visit.streamed = true;
                visits->push_back(visit);
            }
        }
    }
}

void WriteConverted(Random &random, Kit &kit, const std::vector<Converted> &visits)
{
    std::string ninja = "rule convert\n  command = cp $in $out\n";
    std::string ninjaLog = "# ninja log v5\n";
    std::set<std::string> targets;
    for (const Converted &visit : visits)
    {
        std::string target = kit.root + "/" + visit.target;
        std::string source = kit.root + "/" + visit.source;
        bool first = targets.insert(target).second;
        if (kit.converted && first)
        {
            struct stat info;
            if (stat(target.c_str(), &info) != 0)
                WriteFile(target, SourceWave(random));
            if (stat(target.c_str(), &info) != 0)
                Fail(target);
            int64_t mtime = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
            char line[1024];
            snprintf(line, sizeof(line), "0\t1\t%" PRId64 "\t%s\t%" PRIx64 "\n", mtime,
                     target.c_str(), NinjaHash("cp " + source + " " + target));
            ninjaLog += line;
        }
        if (first)
            ninja += "build " + target + ": convert " + source + "\n";
    }
    WriteFile(kit.root + "/ninja/build.ninja", ninja);
    std::string manifest;
    for (const char *folder :
         {"raw/sound", "raw/english/sound", "devraw/sound", "devraw/english/sound"})
        manifest += std::string("walk\t") + kit.root + "/" + folder + "\n";
    for (const Converted &visit : visits)
        manifest += kit.root + "/" + visit.source + "\t" + kit.root + "/" + visit.target + "\n";
    WriteFile(kit.root + "/bench/manifest.txt", manifest);
    if (!kit.converted)
        return;
    WriteFile(kit.root + "/ninja/.ninja_log", ninjaLog);
    // The history as a conversion run leaves it: each list's records in the reverse of the
    // order the run visits the files (sorted by name ignoring case), streamed ones first.
    std::vector<const Converted *> order;
    for (const Converted &visit : visits)
        order.push_back(&visit);
    auto lower = [](std::string text)
    {
        for (char &c : text)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return text;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const Converted *a, const Converted *b)
                     {
                         if (a->streamed != b->streamed)
                             return a->streamed;
                         return lower(a->file) > lower(b->file);
                     });
    std::string history = "XUHISTORY 8\n";
    for (const Converted *visit : order)
    {
        char line[1024];
        snprintf(line, sizeof(line), "\"%s\" 0 %d %d 0 0\n", visit->history.c_str(),
                 visit->streamed ? 1 : 0, visit->devraw ? 1 : 0);
        history += line;
    }
    WriteFile(kit.root + "/sound_assets/Auralith.hst", history);
    // A few converted files that no alias names any more, and files that are not waves.
    int orphans = static_cast<int>(visits.size() / 500) + 1;
    for (int i = 0; i < orphans; ++i)
    {
        const Converted &visit =
            visits[static_cast<size_t>(random.Below(static_cast<int>(visits.size())))];
        std::string folder =
            kit.root + "/" + visit.target.substr(0, visit.target.find_last_of('/'));
        WriteFile(folder + "/retired_" + NumberText(i, 4) + ".wav", SourceWave(random));
        if (i % 4 == 0)
            WriteFile(folder + "/notes_" + NumberText(i, 4) + ".txt", "not a sound\n");
    }
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
    {
        fprintf(stderr, "usage: bench_kit KIT COUNT [--converted] [--seed N]\n");
        return 2;
    }
    Kit kit;
    kit.root = argv[1];
    int count = atoi(argv[2]);
    uint64_t seed = 20240611;
    for (int i = 3; i < argc; ++i)
    {
        if (strcmp(argv[i], "--converted") == 0)
            kit.converted = true;
        else if (strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            seed = strtoull(argv[++i], nullptr, 10);
    }
    if (count <= 0 || kit.root.empty() || kit.root[0] != '/')
    {
        fprintf(stderr, "bench_kit: KIT must be an absolute path and COUNT positive\n");
        return 2;
    }
    Random random{seed};
    for (const char *folder :
         {"bin", "main/soundaliases", "sound_assets", "raw", "devraw", "bench", "ninja"})
        MakeDirs(kit.root + "/" + folder);
    PlanSounds(random, kit, count);
    WriteAliasFiles(random, kit);
    std::vector<Converted> visits;
    WriteSources(random, kit, &visits);
    WriteConverted(random, kit, visits);
    printf("%zu sound files, %zu alias sounds\n", visits.size(), kit.sounds.size());
    return 0;
}
