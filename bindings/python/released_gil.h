// Letting go of the GIL while the object works, safely even for a daemon
// thread whose call is still running when the interpreter exits.
//
// Once the interpreter has begun to finalise, a thread that takes the GIL
// back is ended on the spot (pthread_exit), which in C++ unwinds through
// noexcept frames and aborts the whole process. So the module's exit hook
// (an atexit handler: those run while the interpreter is still whole) marks
// the interpreter as leaving and waits for the threads already taking the GIL
// back; a call that returns after that never touches Python again: its
// thread stays parked until the process ends, as a daemon thread inside any
// blocking C call would.
#pragma once

#include <pybind11/pybind11.h>

namespace vellum::python {

class ReleasedGil {
public:
    ReleasedGil();   // needs the GIL
    ~ReleasedGil();  // takes it back, or parks the thread for good
    ReleasedGil(const ReleasedGil&) = delete;
    ReleasedGil& operator=(const ReleasedGil&) = delete;

private:
    PyThreadState* state_;
};

// Registers the exit hook with atexit; once, at import.
void RegisterExitHook();

}  // namespace vellum::python
