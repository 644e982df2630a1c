#include "coding/ui/coder_window.h"
