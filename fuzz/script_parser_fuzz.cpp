// libFuzzer target: any bytes as a call script must parse or fail cleanly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runner.h"

// libFuzzer stops at 4,096 bytes unless told otherwise, too short for the
// long lines (concatenation chains, argument lists) that once exhausted the
// stack; lines up to 1 MB are tried unless the command line sets -max_len.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) return 0;
    }
    static char maxLength[] = "-max_len=1048576";
    static char** arguments = new char*[static_cast<std::size_t>(*argc) + 2];
    for (int i = 0; i < *argc; ++i) arguments[i] = (*argv)[i];
    arguments[*argc] = maxLength;
    arguments[*argc + 1] = nullptr;
    *argv = arguments;
    ++*argc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vellum::script::ParsedScript script = vellum::script::ParseScript(text);
    if (!script.ok && script.error.line < 1) __builtin_trap();
    return 0;
}
