#include "media/worker/decode_service.h"

#include <span>

namespace framory::media {

DecodeResult DecodeFitted(const DecodeRequest& request)
{
    return DecodeFileFitted(request.path, request.bounds, request.display_icc);
}

DecodeReply Interrupted(Interruption why, std::string message)
{
    DecodeReply reply;
    reply.interruption = why;
    switch (why) {
    case Interruption::OutOfMemory:
        reply.result.status = DecodeStatus::TooLarge;
        break;
    case Interruption::Cancelled:
    case Interruption::Unavailable:
        reply.result.status = DecodeStatus::NotAPicture;
        break;
    case Interruption::None:
    case Interruption::Crashed:
    case Interruption::OutOfTime:
        reply.result.status = DecodeStatus::Corrupt;
        break;
    }
    reply.result.message = std::move(message);
    return reply;
}

DecodeReply InProcessDecodeService::Decode(const DecodeRequest& request, const std::atomic<bool>& cancel)
{
    if (cancel) {
        return Interrupted(Interruption::Cancelled, "the decode was cancelled");
    }
    DecodeReply reply{DecodeFitted(request), Interruption::None};
    if (cancel) {
        return Interrupted(Interruption::Cancelled, "the decode was cancelled");
    }
    return reply;
}

} // namespace framory::media
