#include "report/ui/curve_window.h"
