#include "conversion/modForms.h"
