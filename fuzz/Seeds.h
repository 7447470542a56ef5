#pragma once

// Small valid and near-valid inputs per reader, named: the fuzz programs start from them, and the
// replay test runs each of them cut short at every length.

#include "support/ImageBytes.h"

#include <string>
#include <utility>
#include <vector>

namespace folionix::fuzz {

using Seeds = std::vector<std::pair<std::string, test::Bytes>>;
Seeds JpegSeeds();
Seeds Jp2Seeds();
Seeds J2kSeeds();

} // namespace folionix::fuzz
