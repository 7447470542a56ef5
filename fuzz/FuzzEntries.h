#pragma once

// The bodies of the fuzz targets, shared by the libFuzzer programs and by fuzz_replay, which runs
// them over the seeds as an ordinary test. Each feeds the bytes through a MemorySource to the
// format's standard reader and to ReadImageHeader, and runs the format's pure parsers on them. A
// broken invariant (a failed read that leaves a field non-zero, a header read that disagrees with
// the standard reader or takes more than one walk, a fact out of range) aborts, so that both the
// fuzzer and the replay report it.

#include <cstddef>
#include <cstdint>

namespace folionix::fuzz {

int FuzzJpeg(const std::uint8_t* data, std::size_t size);
int FuzzJp2(const std::uint8_t* data, std::size_t size);
int FuzzJ2k(const std::uint8_t* data, std::size_t size);

} // namespace folionix::fuzz
