#include "archival_faces.h"

#include <mutex>
#include <memory>
#include <string>

#include "cp1252.h"
#include "unicode_font.h"

// The Liberation 2 files, included whole (the SIL Open Font License allows
// shipping them unmodified; they are subset only as a document embeds them).
#if defined(_WIN32)
// COFF has no section stack; the compiler names its section before each
// definition, so returning to .text is enough.
#define VELLUM_FACE_SECTION ".section .rdata,\"dr\"\n"
#define VELLUM_FACE_END ".text\n"
#define VELLUM_FACE_HIDDEN(name) ""
#else
#define VELLUM_FACE_SECTION ".pushsection .rodata\n"
#define VELLUM_FACE_END ".popsection\n"
#define VELLUM_FACE_HIDDEN(name) ".hidden " #name "\n"
#endif

#define VELLUM_FACE(name, file)                                                                           \
    asm(VELLUM_FACE_SECTION ".balign 16\n.globl " #name "\n" VELLUM_FACE_HIDDEN(name) #name ":\n"          \
        ".incbin \"" VELLUM_LIBERATION_DIR "/" file "\"\n.globl " #name "_end\n" VELLUM_FACE_HIDDEN(name##_end) \
        #name "_end:\n" VELLUM_FACE_END);                                                                 \
    extern "C" const char name[];                                                                         \
    extern "C" const char name##_end[];

VELLUM_FACE(vellum_face_mono, "LiberationMono-Regular.ttf")
VELLUM_FACE(vellum_face_sans, "LiberationSans-Regular.ttf")
VELLUM_FACE(vellum_face_serif, "LiberationSerif-Regular.ttf")
VELLUM_FACE(vellum_face_mono_bold, "LiberationMono-Bold.ttf")
VELLUM_FACE(vellum_face_sans_bold, "LiberationSans-Bold.ttf")
VELLUM_FACE(vellum_face_serif_bold, "LiberationSerif-Bold.ttf")
VELLUM_FACE(vellum_face_mono_italic, "LiberationMono-Italic.ttf")
VELLUM_FACE(vellum_face_sans_italic, "LiberationSans-Italic.ttf")
VELLUM_FACE(vellum_face_serif_italic, "LiberationSerif-Italic.ttf")
VELLUM_FACE(vellum_face_mono_bold_italic, "LiberationMono-BoldItalic.ttf")
VELLUM_FACE(vellum_face_sans_bold_italic, "LiberationSans-BoldItalic.ttf")
VELLUM_FACE(vellum_face_serif_bold_italic, "LiberationSerif-BoldItalic.ttf")

namespace vellum {
namespace {

struct FaceBytes {
    const char* begin;
    const char* end;
};

// In the standard fonts' table order.
const std::array<FaceBytes, kStandardFontCount> kFaceBytes{{
    {vellum_face_mono, vellum_face_mono_end},
    {vellum_face_sans, vellum_face_sans_end},
    {vellum_face_serif, vellum_face_serif_end},
    {vellum_face_mono_bold, vellum_face_mono_bold_end},
    {vellum_face_sans_bold, vellum_face_sans_bold_end},
    {vellum_face_serif_bold, vellum_face_serif_bold_end},
    {vellum_face_mono_italic, vellum_face_mono_italic_end},
    {vellum_face_sans_italic, vellum_face_sans_italic_end},
    {vellum_face_serif_italic, vellum_face_serif_italic_end},
    {vellum_face_mono_bold_italic, vellum_face_mono_bold_italic_end},
    {vellum_face_sans_bold_italic, vellum_face_sans_bold_italic_end},
    {vellum_face_serif_bold_italic, vellum_face_serif_bold_italic_end},
}};

struct LoadedFace {
    std::unique_ptr<UnicodeFontFile> file;
    std::array<std::int32_t, 256> widths{};
};

std::array<std::int32_t, 256> WidthsOf(const UnicodeFontFile& file) {
    std::array<std::int32_t, 256> widths{};
    for (int code = 30; code <= 255; ++code) {
        widths[code] = file.Advance(file.GlyphOf(Cp1252ToUnicode(static_cast<std::uint8_t>(code))));
    }
    return widths;
}

// Loaded on first use and kept for the process; a failed load is tried again
// by the next caller.
const LoadedFace& Loaded(std::size_t index) {
    static std::mutex guard;
    static std::array<std::unique_ptr<LoadedFace>, kStandardFontCount> faces;
    const std::lock_guard<std::mutex> lock(guard);
    std::unique_ptr<LoadedFace>& face = faces.at(index);
    if (face == nullptr) {
        auto loaded = std::make_unique<LoadedFace>();
        const FaceBytes& bytes = kFaceBytes[index];
        loaded->file = std::make_unique<UnicodeFontFile>(
            std::string(bytes.begin, static_cast<std::size_t>(bytes.end - bytes.begin)));
        loaded->widths = WidthsOf(*loaded->file);
        face = std::move(loaded);
    }
    return *face;
}

}  // namespace

const UnicodeFontFile& ArchivalFace(std::size_t index) { return *Loaded(index).file; }

const std::array<std::int32_t, 256>& ArchivalWidths(std::size_t index) { return Loaded(index).widths; }

bool ArchivalFaceIsSerif(std::size_t index) { return index % 3 == 2; }

}  // namespace vellum
