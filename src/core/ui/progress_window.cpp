#include "core/ui/progress_window.h"
