#include "core/slideshow/random.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace framory::core {

ClockMixedRandom::ClockMixedRandom(Clock& clock, std::uint64_t initial_state)
    : m_clock(clock), m_state(initial_state)
{
}

// splitmix64: every state gives a well-mixed output, and the state moves on
// with each call.
std::uint64_t ClockMixedRandom::next()
{
    m_state += 0x9e3779b97f4a7c15ull;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

void ClockMixedRandom::reseed_from_clock()
{
    const double now = m_clock.seconds_since_midnight();
    const auto bits = std::bit_cast<std::uint64_t>(now);
    m_state ^= bits * 0xd6e8feb86659fd93ull;
    static_cast<void>(next());
}

double ClockMixedRandom::draw()
{
    // 53 random bits make a double in [0, 1).
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

int WholeDraw(int n, double r)
{
    // A draw a hair below 1 can round up to n + 1 in floating point; the
    // result stays within 1 to n.
    const int whole = static_cast<int>(std::floor(static_cast<double>(n) * r + 1.0));
    return (n >= 1 && whole > n) ? n : whole;
}

} // namespace framory::core
