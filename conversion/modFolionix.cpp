#include "conversion/modFolionix.h"
