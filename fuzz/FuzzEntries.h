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

// The whole pipeline: the first byte chooses the file's extension (bits 0-1: .jpg, .jp2, .j2k,
// .jpg), the conforming plan (bit 2), one document per image (bit 3) and the page at the image's
// size (bit 4); the other bytes are the image file, which is listed and converted in a scratch
// folder. Every document left under its final name must hold together (DocumentCheck.h), a
// failed run must leave none, and no temporary file may stay behind.
int FuzzPipeline(const std::uint8_t* data, std::size_t size);

} // namespace folionix::fuzz
