// Linked into programs that carry the font code themselves (tests,
// benchmarks, fuzzing): installs it before main, so no module needs loading.
#include "font_services.h"
#include "font_services_loader.h"

namespace {

const bool installed = [] {
    vellum::InstallFontServices(vellum::fonts::LinkedFontServices());
    return true;
}();

}  // namespace
