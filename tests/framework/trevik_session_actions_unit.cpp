// The host program's session_actions.cpp compiled into this test program, for the session runner
// tested in-process.
#include "apps/trevik/session_actions.cpp"
