#include "report/ui/picture_window.h"
