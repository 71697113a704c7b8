// The font module's one entry point. Module and library come from the same
// build, so the interface is the C++ one of font_services.h; no exception
// crosses it except std::bad_alloc.
#include "font_services.h"

extern "C" __attribute__((visibility("default"))) const vellum::fonts::FontServices* VellumFontServices() {
    return &vellum::fonts::LinkedFontServices();
}
