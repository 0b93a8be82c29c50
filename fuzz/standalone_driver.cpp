// Runs a libFuzzer-style target without libFuzzer: every file of the seed
// corpus, then a fixed number of inputs made by mutating the seeds with a
// fixed-seed generator, so a run is repeatable and fits in a test.
#include "fuzz_target.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>


namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void collect(const std::filesystem::path& path, std::vector<Bytes>& seeds)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
            if (entry.is_regular_file(ec)) {
                seeds.push_back(read_file(entry.path()));
            }
        }
    } else if (std::filesystem::is_regular_file(path, ec)) {
        seeds.push_back(read_file(path));
    }
}

Bytes mutate(const Bytes& seed, std::mt19937& rng_engine)
{
    const auto rng = [&rng_engine] { return static_cast<std::size_t>(rng_engine()); };
    Bytes out = seed;
    const std::size_t edits = 1 + rng() % 8u;
    for (std::size_t i = 0; i < edits; ++i) {
        const std::size_t kind = rng() % 5u;
        const std::size_t pos = out.empty() ? 0 : rng() % out.size();
        switch (kind) {
        case 0: // flip a bit
            if (!out.empty()) {
                out[pos] = static_cast<std::uint8_t>(out[pos] ^ (1u << (rng() % 8u)));
            }
            break;
        case 1: // random byte
            if (!out.empty()) {
                out[pos] = static_cast<std::uint8_t>(rng());
            }
            break;
        case 2: // insert bytes
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(pos), 1 + rng() % 16u,
                       static_cast<std::uint8_t>(rng()));
            break;
        case 3: // cut the tail
            out.resize(pos);
            break;
        default: // interesting values
            if (!out.empty()) {
                static constexpr std::uint8_t interesting[] = {0, 1, 0x7f, 0x80, 0xff, '=', '[', ']', '\n', '\\'};
                out[pos] = interesting[rng() % std::size(interesting)];
            }
            break;
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    long iterations = 10000;
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--iterations=")) {
            iterations = std::stol(std::string(arg.substr(13)));
        } else {
            collect(argv[i], seeds);
        }
    }
    if (seeds.empty()) {
        seeds.emplace_back();
    }
    for (const Bytes& seed : seeds) {
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
    }
    std::mt19937 rng(12345);
    for (long i = 0; i < iterations; ++i) {
        const Bytes input = mutate(seeds[static_cast<std::size_t>(rng()) % seeds.size()], rng);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("fuzz: %zu seeds and %ld mutated inputs ran without a fault\n", seeds.size(), iterations);
    return 0;
}
