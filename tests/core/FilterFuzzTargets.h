// The filter expression fuzz target, shared by the libFuzzer entry and the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// The first byte chooses the column type (low bits) and the decimal separator (bit 3); the rest
// is the typed text. Reads it, shows it back, reads that, and judges a few cells by it.
void FuzzFilterExpression(const std::uint8_t* data, std::size_t size);
