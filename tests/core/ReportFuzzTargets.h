// The work of the report fuzzers, shared by the libFuzzer entries and the corpus replay test: each
// feeds one input to the parser or the interpreter. A clean refusal (an Exception) is a correct
// answer; anything else escapes.
#pragma once

#include <cstddef>
#include <cstdint>

void FuzzReportExpression(const std::uint8_t* data, std::size_t size);
void FuzzReportScript(const std::uint8_t* data, std::size_t size);
