// The decoding helper with faults on demand, for the tests: a picture file
// whose name contains one of the words below misbehaves that way before it
// is decoded, and first leaves "<file>.started" beside the file, so that a
// test knows the helper is inside the decode.
//   hang   sleeps for ever           spin   burns CPU time for ever
//   crash  dies of a segfault        grow   takes memory until stopped
//   noise  prints like a library on both outputs, then decodes
#include "media/worker/protocol.h"
#include "media/worker/worker_server.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include <unistd.h>

namespace {

void misbehave(const std::string& path)
{
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const auto named = [&](const char* word) { return name.find(word) != std::string::npos; };
    if (named("hang") || named("spin") || named("crash") || named("grow") || named("noise")) {
        std::ofstream(path + ".started") << "started\n";
    }
    if (named("hang")) {
        for (;;) {
            ::pause();
        }
    }
    if (named("spin")) {
        volatile unsigned turns = 0;
        for (;;) {
            turns = turns + 1;
        }
    }
    if (named("crash")) {
        ::raise(SIGSEGV);
    }
    if (named("grow")) {
        std::vector<char*> blocks;
        for (;;) {
            char* block = new char[32u << 20];
            std::memset(block, 1, 32u << 20);
            blocks.push_back(block);
        }
    }
    if (named("noise")) {
        std::fprintf(stderr, "libnoise warning: \x1b[31mcolourful\x1b[0m\nsecond line\n");
        std::printf("stdout chatter\n");
        std::fflush(stdout);
    }
}

} // namespace

int main()
{
    framory::media::worker::PrepareDecodeWorker();
    return framory::media::worker::ServeDecodeRequests(framory::media::worker::kSocketFd, misbehave);
}
