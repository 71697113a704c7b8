// A JPEG file's markers read without decoding it: whether a document can
// carry the file as its own bytes (DCTDecode), and what its frame says. The
// same scanner serves every build, so what is passed through does not depend
// on the platform's codec.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellum::pictures {

enum class JpegVerdict {
    Embeddable,     // well formed, and readers of DCTDecode streams show it
    NeedsDecoding,  // well formed or not, it is decoded instead (the decoder names any fault)
};

struct JpegFrame {
    int process = 0;    // the SOFn marker's second byte
    int precision = 0;  // bits per sample
    std::int32_t width = 0;
    std::int32_t height = 0;
    int components = 0;
    std::array<std::uint8_t, 4> ids{};  // the first four component identifiers
    bool jfif = false;                  // an APP0 "JFIF" segment
    bool adobe = false;                 // an APP14 "Adobe" segment
    int adobeTransform = -1;            // its colour transform: 0 none, 1 YCbCr, 2 YCCK
};

struct JpegScan {
    JpegVerdict verdict = JpegVerdict::NeedsDecoding;
    std::string reason;  // why it is decoded instead
    JpegFrame frame;
};

// Walks the markers from SOI to EOI, through every scan's entropy-coded
// data; never reads past the end.
JpegScan ScanJpeg(std::string_view bytes);

}  // namespace vellum::pictures
