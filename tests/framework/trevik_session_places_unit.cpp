// The host program's session_places.cpp compiled into this test program, for the session runner
// tested in-process.
#include "apps/trevik/session_places.cpp"
