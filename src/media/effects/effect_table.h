#pragma once

#include <span>
#include <string_view>

#include "media/effects/effects.h"

namespace framory::media {
namespace fx {
struct Job;
// Draws one frame of an effect.
using RenderFn = void (*)(const Job&);
} // namespace fx

// One effect of the catalogue: what DescribeEffect tells about it and the
// kernel that RenderEffect calls.
struct EffectEntry {
    int number = 0;
    std::string_view name;
    EffectKind kind = EffectKind::Reveal;
    bool uses_grain = false;
    fx::RenderFn render = nullptr;
};

// Every effect, numbers 1 to kEffectCount, in number order (row i is effect
// i + 1). Whatever walks all the effects walks these rows.
std::span<const EffectEntry> EffectCatalogue();

} // namespace framory::media
