#include "imaging/modJPG.h"
