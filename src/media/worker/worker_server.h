#pragma once

#include <functional>
#include <string>

namespace framory::media::worker {

// The decoding helper's side: answers requests on `socket` one after
// another until the program closes it. Before each picture the helper's
// CPU-time limit is moved to what it has used plus the picture's share, so
// a decoder that spins ends by SIGXCPU. A picture that exhausts the
// helper's memory is answered as such, and the helper then ends, to start
// afresh. `before_decode` runs before each decode (a hook for tests).
// Returns the process's exit code.
int ServeDecodeRequests(int socket, const std::function<void(const std::string& path)>& before_decode = {});

// Sets up a helper process: decoding libraries, a frugal allocator.
void PrepareDecodeWorker();

} // namespace framory::media::worker
