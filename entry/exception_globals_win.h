// Gives back the C++ runtime's per-thread exception state that this module
// keeps (exception_globals_win.cpp says why it keeps it itself).
#pragma once

// The calling thread's record, when the thread leaves.
void ReleaseThreadExceptionGlobals();
// Every record and the TLS slot, when the module is unloaded.
void ReleaseExceptionGlobals();
