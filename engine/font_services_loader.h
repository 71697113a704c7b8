// The way from the engine to the font services (font_services.h): the font
// module, loaded on first use, unless a program linked the code in and
// installed it (builtin_fonts.cpp), or the native build, which links it in.
#pragma once

#include "font_services.h"

namespace vellum {

void InstallFontServices(const fonts::FontServices& services);

// Throws EngineError "Cannot load the font module "PATH": REASON" when the
// module cannot be loaded; tried again on the next call.
const fonts::FontServices& FontServicesInUse();

}  // namespace vellum
