#pragma once

#include "support/FakeHost.h"
#include "support/ImageBytes.h" // MakeJpeg, MakeJ2k, MakeJp2
