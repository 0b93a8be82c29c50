#pragma once

#include "core/components/platform.h"

#include <cstdint>

namespace framory::core {

// The show's generator. Reseeding mixes the clock into the generator's
// state instead of restarting a fixed sequence, so two draws made while the
// clock has not moved are still independent.
class ClockMixedRandom : public RandomSource {
public:
    explicit ClockMixedRandom(Clock& clock, std::uint64_t initial_state = 0x9e3779b97f4a7c15ull);
    void reseed_from_clock() override;
    double draw() override;

private:
    std::uint64_t next();

    Clock& m_clock;
    std::uint64_t m_state;
};

// 1 to n from a draw r in [0, 1): the whole part of (n times r plus 1).
int WholeDraw(int n, double r);

} // namespace framory::core
