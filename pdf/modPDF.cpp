#include "pdf/modPDF.h"
