#include "dialogs/modCmDlgDLL.h"
