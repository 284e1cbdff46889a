// Gives back, when this module unloads, what the static C++ runtime took
// for it: the emergency exception buffer and the per-thread exception state
// (runtime_release_win.cpp says why the module keeps that itself).
#pragma once

// The calling thread's exception state, when the thread leaves.
void ReleaseThreadRuntime();
// Everything, when FreeLibrary unloads the module (not at the process's
// exit: other threads may hold the runtime's locks then).
void ReleaseRuntime();
