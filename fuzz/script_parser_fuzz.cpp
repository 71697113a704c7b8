// libFuzzer target: any bytes as a call script must parse or fail cleanly.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vellum::script::ParsedScript script = vellum::script::ParseScript(text);
    if (!script.ok && script.error.line < 1) __builtin_trap();
    return 0;
}
