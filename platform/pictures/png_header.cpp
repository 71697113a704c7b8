// The header facts of icons' PNG entries that every build reads itself:
// recognising one and its bit depth (decoding is the build's: libpng or WIC).
#include "bmp_dib.h"
#include "ico_png.h"

namespace vellum::pictures::dib {
namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};

}  // namespace

bool IsPng(std::string_view data) { return data.substr(0, kPngSignature.size()) == kPngSignature; }

int PngBitCount(std::string_view data) {
    // Signature, then the IHDR chunk: length, type, width, height, bit depth, colour type.
    constexpr std::size_t kIhdrEnd = 8 + 8 + 8 + 2;
    if (!IsPng(data) || data.size() < kIhdrEnd || data.substr(12, 4) != "IHDR") throw Malformed{};
    const int depth = static_cast<unsigned char>(data[24]);
    switch (static_cast<unsigned char>(data[25])) {
        case 0:  // grey
        case 3:  // palette
            return depth;
        case 4:  // grey and alpha
            return depth * 2;
        case 2:  // RGB
            return depth * 3;
        case 6:  // RGBA
            return depth * 4;
        default:
            throw Malformed{};
    }
}

}  // namespace vellum::pictures::dib
