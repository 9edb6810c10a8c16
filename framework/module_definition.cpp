#include "platform/com/object.h"
VELK_DEFINE_MODULE()
