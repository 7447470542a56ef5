#pragma once

// The bodies of the fuzz targets, shared by the libFuzzer programs and by fuzz_replay, which runs
// them over the seeds as an ordinary test. Each writes the input to a per-process temporary file,
// runs the reader on it and runs the reader's pure parsers on the raw bytes. A broken invariant
// (a failed read that leaves a field non-zero, a frame product out of range) aborts, so that
// both the fuzzer and the replay report it.

#include <cstddef>
#include <cstdint>

namespace folionix::fuzz {

int FuzzJpeg(const std::uint8_t* data, std::size_t size);
int FuzzJp2(const std::uint8_t* data, std::size_t size);
int FuzzJ2k(const std::uint8_t* data, std::size_t size);

} // namespace folionix::fuzz
