// Runs a fuzz target without the fuzzing engine: every file named on the
// command line, and every file in a folder named there. Built where the
// compiler has no libFuzzer, so the corpus stays a regression test.
//
// With --mutate SECONDS it then fuzzes for that long with simple mutations
// of the corpus (bit flips, byte changes, insertions, deletions, copies and
// splices), so that the sanitizer build exercises every target beyond its
// corpus. The seed is printed (--seed N repeats a run); an input that brings
// the program down is written to "crash-input" in the working folder first.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

// The input being run, for the crash handler.
const Bytes* gCurrent = nullptr;

extern "C" void WriteCrashInput(int signal) {
    if (gCurrent) {
        const int fd = ::open("crash-input", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            const ssize_t written = ::write(fd, gCurrent->data(), gCurrent->size());
            (void)written;
            ::close(fd);
        }
        static const char kNote[] = "fuzz: the input that failed is in ./crash-input\n";
        const ssize_t noted = ::write(2, kNote, sizeof kNote - 1);
        (void)noted;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

bool ReadFile(const std::filesystem::path& file, Bytes& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

void Run(const Bytes& input) {
    gCurrent = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    gCurrent = nullptr;
}

Bytes Mutate(const std::vector<Bytes>& corpus, std::mt19937& rng) {
    auto below = [&](std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    Bytes b = corpus[below(corpus.size())];
    const std::size_t rounds = 1 + below(4);
    for (std::size_t r = 0; r < rounds; ++r) {
        switch (below(b.empty() ? 1 : 7)) {
            case 0: {  // insert a few bytes, often ones from the input itself
                const std::size_t at = below(b.size() + 1);
                const std::size_t count = 1 + below(8);
                for (std::size_t i = 0; i < count; ++i) {
                    const std::uint8_t v = !b.empty() && below(2) ? b[below(b.size())] : static_cast<std::uint8_t>(below(256));
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(std::min(at + i, b.size())), v);
                }
                break;
            }
            case 1: b[below(b.size())] ^= static_cast<std::uint8_t>(1u << below(8)); break;
            case 2: b[below(b.size())] = static_cast<std::uint8_t>(below(256)); break;
            case 3: {  // an extreme value: 0, 0x7f, 0x80, 0xff
                static const std::uint8_t kEdges[] = {0x00, 0x7f, 0x80, 0xff};
                b[below(b.size())] = kEdges[below(4)];
                break;
            }
            case 4: {  // delete a range
                const std::size_t at = below(b.size());
                const std::size_t count = 1 + below(std::min<std::size_t>(b.size() - at, 64));
                b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + count));
                break;
            }
            case 5: {  // copy a range of the input elsewhere into it
                const std::size_t from = below(b.size());
                const std::size_t count = 1 + below(std::min<std::size_t>(b.size() - from, 64));
                const Bytes piece(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + count));
                b.insert(b.begin() + static_cast<std::ptrdiff_t>(below(b.size() + 1)), piece.begin(), piece.end());
                break;
            }
            default: {  // splice: the head of this input, the tail of another
                const Bytes& other = corpus[below(corpus.size())];
                b.resize(below(b.size() + 1));
                b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(below(other.size() + 1)), other.end());
                break;
            }
        }
        if (b.size() > (1u << 20)) b.resize(1u << 20);
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    double mutateSeconds = 0;
    unsigned seed = static_cast<unsigned>(std::random_device{}());
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mutate" && i + 1 < argc) mutateSeconds = std::atof(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else paths.emplace_back(arg);
    }
    for (int s : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) std::signal(s, WriteCrashInput);

    std::vector<Bytes> corpus;
    int failures = 0;
    for (const std::filesystem::path& arg : paths) {
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(arg);
        }
        for (const auto& f : files) {
            Bytes bytes;
            if (!ReadFile(f, bytes)) {
                std::fprintf(stderr, "cannot read %s\n", f.c_str());
                ++failures;
                continue;
            }
            Run(bytes);
            corpus.push_back(std::move(bytes));
        }
    }
    std::printf("%zu inputs replayed\n", corpus.size());
    if (failures > 0 || corpus.empty()) return 1;

    if (mutateSeconds > 0) {
        std::printf("mutating for %.1f s with --seed %u\n", mutateSeconds, seed);
        std::fflush(stdout);
        std::mt19937 rng(seed);
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(mutateSeconds);
        long long runs = 0;
        while (std::chrono::steady_clock::now() < end) {
            for (int i = 0; i < 64; ++i, ++runs) Run(Mutate(corpus, rng));
        }
        std::printf("%lld mutated inputs run\n", runs);
    }
    return 0;
}
