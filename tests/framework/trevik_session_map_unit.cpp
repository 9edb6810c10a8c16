// The host program's session_map.cpp compiled into this test program, so that the session runner
// can be tested in-process with commands built from the framework templates.
#include "apps/trevik/session_map.cpp"
