#include "platform/com/object.h"
VELK_DEFINE_MODULE()
int main() { return 0; }
