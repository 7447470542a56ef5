#include "imaging/modJ2K.h"
