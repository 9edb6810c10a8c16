// The host program's host_session.cpp compiled into this test program, so that the session runner
// can be tested in-process with commands built from the framework templates.
#include "apps/trevik/host_session.cpp"
