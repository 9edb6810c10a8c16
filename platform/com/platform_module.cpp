// The platform library's own lock count (host objects it creates).
#include "platform/com/object.h"

VELK_DEFINE_MODULE()
