#include "imaging/modJP2.h"
