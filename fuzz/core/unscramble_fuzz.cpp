// Any stored form unscrambles without a fault; a clear password made of the
// same bytes survives the round trip.
#include "core/password/scramble.h"

#include "fuzz_target.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string plain = framory::core::Unscramble(bytes);
    if (plain.size() != size / 2) {
        std::abort();
    }
    if (framory::core::Unscramble(framory::core::Scramble(bytes)) != bytes) {
        std::abort();
    }
    return 0;
}
