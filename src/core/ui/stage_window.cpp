#include "core/ui/stage_window.h"
