#pragma once

// Decoding as a service: where the pictures are decoded is hidden behind one
// small interface. On Linux a helper process limited in memory and CPU time
// does it (worker_client.h), so a hostile file can crash, freeze or bloat
// only that helper; a Windows front end implements the same interface over
// a process held in a Job object. An in-process implementation serves tests
// and measurements.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "media/decode/decode.h"

namespace framory::media {

struct DecodeRequest {
    std::string path;
    // The picture is fitted within this size, aspect kept, never enlarged
    // (FitWithin); 0x0 keeps its natural size.
    Size bounds;
    // The display's colour profile (ICC bytes); empty means sRGB.
    std::vector<std::uint8_t> display_icc;
};

// Why a decode ended without the decoders' own answer.
enum class Interruption {
    None,        // the decoders answered; see the result's status
    Cancelled,   // its cancel flag was set while it ran
    Crashed,     // the decoding process ended abnormally (a signal, a kill)
    OutOfTime,   // it overran the picture's time or CPU-time limit
    OutOfMemory, // it went over its memory limit
    Unavailable, // no decoding process could be started
};

struct DecodeReply {
    // For an interrupted decode the status says how the picture counts:
    // TooLarge for OutOfMemory, NotAPicture for Unavailable and Cancelled,
    // Corrupt for the rest (the file made the decoder fail); the message
    // says what happened.
    DecodeResult result;
    Interruption interruption = Interruption::None;
};

class DecodeService {
public:
    virtual ~DecodeService() = default;
    // Decodes on the calling thread and returns when the picture is there,
    // refused or interrupted. One decode at a time per service. Setting
    // `cancel` from any thread ends the decode within a few milliseconds
    // (the decoding process is stopped) and it returns Cancelled; a flag
    // already set cancels it before it starts.
    virtual DecodeReply Decode(const DecodeRequest& request, const std::atomic<bool>& cancel) = 0;
};

// What every implementation runs for one request: the file read once, its
// header checked, and the picture decoded straight to its fitted size.
DecodeResult DecodeFitted(const DecodeRequest& request);

// Decodes in the calling process. A cancel cannot stop a decoder in the
// middle: the decode runs to its end and its result is dropped.
class InProcessDecodeService : public DecodeService {
public:
    DecodeReply Decode(const DecodeRequest& request, const std::atomic<bool>& cancel) override;
};

// The result that an interruption stands for, with its message.
DecodeReply Interrupted(Interruption why, std::string message);

} // namespace framory::media
