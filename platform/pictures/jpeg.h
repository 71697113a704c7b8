// JPEG through libjpeg: decoding picture files into RGB rows, and the
// baseline encoder every image of a document is stored with. Both work a row
// at a time, so a picture can pass from a decoder to the encoder without
// ever being held whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pictures.h"

namespace vellum::pictures {

// Decodes a JPEG stream of any colour space into RGB rows, top first. Throws
// PictureError "JPEG error #N" with the decoder's message code. A stream cut
// short still yields every row (libjpeg pads the rest), as libjpeg intends.
class JpegDecoder {
public:
    // Reads the header and starts decompression; refuses pictures above
    // maxPixels before anything of the picture's size is allocated.
    JpegDecoder(std::string_view bytes, std::int64_t maxPixels = kMaxPixels);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Fills Width() * 3 bytes with the next row.
    void ReadRow(std::uint8_t* rgb);

    struct State;

private:
    std::unique_ptr<State> state_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

// A three-component baseline JPEG at the quality given (taken as 1..100),
// fed one RGB row at a time, top first. Throws PictureError "JPEG error #N".
class JpegEncoder {
public:
    JpegEncoder(std::int32_t width, std::int32_t height, int quality);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    void WriteRow(const std::uint8_t* rgb);
    // The whole stream, once every row has been written.
    std::string Finish();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// The whole picture decoded at once.
RgbBitmap DecodeJpeg(std::string_view bytes);

// The whole bitmap encoded at once.
std::string EncodeJpeg(const RgbBitmap& bitmap, int quality);

}  // namespace vellum::pictures
