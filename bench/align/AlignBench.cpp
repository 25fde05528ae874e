// bench_align: figures of `lipsmith align`.
//   - a 10-minute recording that espeak-ng speaks at 210 words a minute (its
//     own rate is 175): seconds of recording aligned per second of work
//     (wall clock and CPU), and the word-start error against espeak-ng's
//     own word timing (median and 95th percentile);
//   - the same recording six times over (60 minutes): wall time and the
//     peak resident memory of the lipsmith process.
// Usage: bench_align [MINUTES] (default 10; the long clip is six times it).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "EspeakReference.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 210;

const char* kSentences[] = {
    "The animator opened the scene and read the first line aloud.",
    "Then she waited for the actor to answer, but nobody said a word.",
    "After a long pause, the director laughed and called for another take.",
    "Every mouth shape follows the voice, from the softest whisper to the loudest shout.",
    "Seven quick brown foxes jumped over the lazy sleeping dogs near the river bank.",
    "We will need the lights on the stage before the music begins tonight.",
    "Nobody remembers who painted the old map that hangs in the hall.",
    "Bring me the blue folder from the top shelf, please.",
    "The rain kept falling on the roof of the little station all night.",
    "If you listen carefully, you can hear the ship's bell across the harbour.",
    "My brother built a wooden boat with his own hands last summer.",
    "The committee decided to postpone the meeting until next Thursday.",
    "Keep your voice down, the baby is finally asleep upstairs.",
    "They walked along the beach, collecting shells and smooth grey stones.",
    "A thousand tiny lanterns floated slowly down the dark canal.",
    "Could you tell me the way to the museum of modern art?",
};

std::string MakeText(double minutes) {
    // About 2.9 words a second at this rate, with the pauses.
    const std::size_t words = static_cast<std::size_t>(minutes * 60 * kRate / 60.0 * 1.08);
    std::string text;
    std::size_t count = 0;
    for (std::size_t i = 0; count < words; ++i) {
        const std::string s = kSentences[(i * 7) % (sizeof kSentences / sizeof *kSentences)];
        text += s + (i % 5 == 4 ? "\n\n" : " ");
        count += static_cast<std::size_t>(std::count(s.begin(), s.end(), ' ') + 1);
    }
    return text;
}

struct Child {
    int status = -1;
    double wallSeconds = 0, cpuSeconds = 0;
    long maxRssKb = 0;
};

Child Run(const std::vector<std::string>& args) {
    Child c;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout)) _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    c.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    c.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    c.maxRssKb = usage.ru_maxrss;
    c.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return c;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const fs::path dir = fs::temp_directory_path() / ("lipsmith-bench-align-" + std::to_string(getpid()));
    fs::create_directories(dir);
    ::setenv("LIPSMITH_REGISTRY", (dir / "registry").c_str(), 1);
    ::setenv("LIPSMITH_NO_AUDIO", "1", 1);
    ::setenv("LIPSMITH_PLUGIN_DIR", LIPSMITH_PLUGIN_FOLDER, 1);

    const std::string text = MakeText(minutes);
    const std::string textFile = (dir / "take.txt").string();
    const std::string wave = (dir / "take.wav").string();
    std::ofstream(textFile) << text;
    std::printf("bench_align: making a %.0f-minute recording with espeak-ng at %d words a minute...\n", minutes, kRate);
    std::fflush(stdout);
    if (std::system(("espeak-ng -v en -s " + std::to_string(kRate) + " -w '" + wave + "' -f '" + textFile + "'").c_str()) != 0)
        return 1;
    const double seconds = static_cast<double>(fs::file_size(wave) - 44) / 44100.0;
    const lipsmith::testing_support::EspeakWords reference = lipsmith::testing_support::EspeakWordStarts(text, kRate);

    const std::string words = (dir / "words.tsv").string();
    const Child ten = Run({LIPSMITH_PROGRAM, "align", wave, "--transcript", textFile, "--actor", "Head", "--words", words,
                           "--wave", (dir / "out.wav").string(), "--keys", (dir / "keys.json").string()});
    if (ten.status != 0) {
        std::printf("lipsmith align failed (%d)\n", ten.status);
        if (std::getenv("LIPSMITH_BENCH_KEEP")) std::printf("files kept in %s\n", dir.c_str());
        return 1;
    }
    // Word starts against espeak-ng's own, matched by their place in the text.
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::isalnum(static_cast<unsigned char>(text[i])) && (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]))) &&
            (i == 0 || text[i - 1] != '\''))
            offsets.push_back(i);
    std::vector<std::string> rows;
    {
        std::istringstream in(Read(words));
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) rows.push_back(line);
    }
    std::vector<double> errors;
    std::size_t found = 0, total = 0;
    std::ofstream compare;
    if (std::getenv("LIPSMITH_BENCH_KEEP")) compare.open(dir / "compare.tsv");
    for (std::size_t r = 0; r < reference.starts.size(); ++r) {
        const auto at = std::find(offsets.begin(), offsets.end(), reference.offsets[r]);
        if (at == offsets.end()) continue;
        const std::size_t i = static_cast<std::size_t>(at - offsets.begin());
        if (i >= rows.size()) continue;
        ++total;
        if (compare.is_open()) compare << reference.starts[r] << '\t' << rows[i] << '\n';
        if (rows[i].find("\tfound") == std::string::npos) continue;
        ++found;
        errors.push_back(std::abs(std::atof(rows[i].c_str()) - reference.starts[r]));
    }
    std::printf("%.0f-minute clip: %.1f s of recording, %zu words of the text\n", minutes, seconds, offsets.size());
    std::printf("  align: %.2f s wall, %.2f s CPU -> %.1fx real time (wall), %.1fx (CPU); peak RSS %.1f MB\n",
                ten.wallSeconds, ten.cpuSeconds, seconds / ten.wallSeconds, seconds / ten.cpuSeconds,
                ten.maxRssKb / 1024.0);
    std::printf("  words found: %zu of %zu timed by espeak-ng (%.1f%%)\n", found, total, 100.0 * found / std::max<std::size_t>(total, 1));
    std::printf("  word-start error: median %.1f ms, 95th percentile %.1f ms (targets: < 30 ms, < 80 ms)\n",
                Percentile(errors, 0.5) * 1000, Percentile(errors, 0.95) * 1000);
    std::fflush(stdout);

    if (std::getenv("LIPSMITH_BENCH_SHORT")) return 0;
    // Six times over: an hour of recording.
    const std::string longWave = (dir / "hour.wav").string();
    const std::string longText = (dir / "hour.txt").string();
    std::string six;
    for (int i = 0; i < 6; ++i) six += text + "\n";
    std::ofstream(longText) << six;
    if (std::system(("sox '" + wave + "' '" + wave + "' '" + wave + "' '" + wave + "' '" + wave + "' '" + wave + "' '" +
                     longWave + "'").c_str()) != 0)
        return 1;
    const Child hour = Run({LIPSMITH_PROGRAM, "align", longWave, "--transcript", longText, "--actor", "Head",
                            "--wave", (dir / "hour-out.wav").string(), "--save", (dir / "hour.lsc").string()});
    std::printf("%.0f-minute clip (%.1f s): status %d, %.1f s wall, %.1f s CPU -> %.1fx real time; peak RSS %.1f MB (target < 300 MB)\n",
                minutes * 6, seconds * 6, hour.status, hour.wallSeconds, hour.cpuSeconds, seconds * 6 / hour.wallSeconds,
                hour.maxRssKb / 1024.0);
    if (std::getenv("LIPSMITH_BENCH_KEEP")) {
        std::printf("files kept in %s\n", dir.c_str());
    } else {
        fs::remove_all(dir);
    }
    return 0;
}
