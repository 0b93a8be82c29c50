// framory-decode: the program's picture decoding helper. The program starts
// it with a socket on descriptor 3 and limits on its memory and CPU time,
// sends it one picture file at a time and gets the pixels back in shared
// memory, so that no picture file can crash, freeze or bloat the program.
#include "media/worker/protocol.h"
#include "media/worker/worker_server.h"

#include <cstdio>
#include <sys/stat.h>

int main()
{
    namespace worker = framory::media::worker;
    struct stat info {};
    if (::fstat(worker::kSocketFd, &info) != 0 || !S_ISSOCK(info.st_mode)) {
        std::fprintf(stderr, "framory-decode: the picture decoding helper of framory, started by the program\n");
        return 2;
    }
    worker::PrepareDecodeWorker();
    return worker::ServeDecodeRequests(worker::kSocketFd);
}
