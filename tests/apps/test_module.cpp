// The test program's own module (object counts of the host program's classes it links).
#include "platform/com/object.h"

VELK_DEFINE_MODULE()
