#include "coding/coder_settings.h"
