#include "coding/galois_field.h"
