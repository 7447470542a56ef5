#pragma once

// Forwarding header: the builders live in the fixture library.
#include "support/ImageBytes.h"
