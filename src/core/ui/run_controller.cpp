#include "core/ui/run_controller.h"
