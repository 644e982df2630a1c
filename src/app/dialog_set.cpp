#include "app/dialog_set.h"
