#include "report/ui/results_window.h"
