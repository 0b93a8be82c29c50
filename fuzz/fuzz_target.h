#pragma once

#include <cstddef>
#include <cstdint>

// The entry point every fuzz target defines, for libFuzzer or for the
// standalone driver.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
