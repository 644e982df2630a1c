#include "report/safe_file.h"
