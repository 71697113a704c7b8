#include "released_gil.h"

#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace py = pybind11;

namespace vellum::python {
namespace {

struct ExitState {
    std::mutex mutex;
    std::condition_variable settled;
    bool leaving = false;
    int returning = 0;  // threads between the decision to take the GIL and having it
    std::thread::id exiting;  // the thread that runs the exit: it finalises, so it is never ended
};

// Never destroyed: parked threads may still look at it while the process ends.
ExitState& State() {
    static ExitState* state = new ExitState;
    return *state;
}

bool InterpreterFinalizing() {
#if PY_VERSION_HEX >= 0x030D0000
    return Py_IsFinalizing() != 0;
#else
    return _Py_IsFinalizing() != 0;
#endif
}

[[noreturn]] void ParkForever() {
    for (;;) pause();
}

void OnExit() {
    ExitState& state = State();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.leaving = true;
        state.exiting = std::this_thread::get_id();
        if (state.returning == 0) return;
    }
    // The returning threads need the GIL to finish their step.
    py::gil_scoped_release release;
    std::unique_lock<std::mutex> lock(state.mutex);
    state.settled.wait(lock, [&] { return state.returning == 0; });
}

}  // namespace

ReleasedGil::ReleasedGil() : state_(PyEval_SaveThread()) {}

ReleasedGil::~ReleasedGil() {
    ExitState& state = State();
    bool leaving = false;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        // Finalising without the hook having run: an embedding program that
        // loaded the module from its own exit code.
        // The exiting thread itself may still call the object (a later
        // atexit handler, a finaliser): parking it would hang the exit.
        leaving = (state.leaving || InterpreterFinalizing()) && std::this_thread::get_id() != state.exiting;
        if (!leaving) ++state.returning;
    }
    if (leaving) ParkForever();
    PyEval_RestoreThread(state_);
    std::lock_guard<std::mutex> lock(state.mutex);
    if (--state.returning == 0) state.settled.notify_all();
}

void RegisterExitHook() {
    py::module_::import("atexit").attr("register")(py::cpp_function(&OnExit));
}

}  // namespace vellum::python
