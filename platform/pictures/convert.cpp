#include "convert.h"

#include <vector>

#include "jpeg.h"
#include "png_reader.h"

namespace vellum::pictures {
namespace {

template <typename Decoder>
JpegPicture Stream(Decoder& decoder, int quality) {
    JpegEncoder encoder(decoder.Width(), decoder.Height(), quality);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(decoder.Width()) * 3);
    for (std::int32_t y = 0; y < decoder.Height(); ++y) {
        decoder.ReadRow(row.data());
        encoder.WriteRow(row.data());
    }
    return {encoder.Finish(), decoder.Width(), decoder.Height()};
}

JpegPicture Whole(const RgbBitmap& bitmap, int quality) { return {EncodeJpeg(bitmap, quality), bitmap.width, bitmap.height}; }

}  // namespace

JpegPicture ConvertToJpeg(PictureKind kind, std::string_view bytes, int quality, std::int64_t maxPixels) {
    switch (kind) {
        case PictureKind::Jpeg: {
            JpegDecoder decoder(bytes, maxPixels);
            return Stream(decoder, quality);
        }
        case PictureKind::Png: {
            PngDecoder decoder(bytes, maxPixels);
            return Stream(decoder, quality);
        }
        case PictureKind::Bmp:
            if (std::optional<BmpRows> rows = BmpRows::Of(bytes)) return Stream(*rows, quality);
            return Whole(ReadBmp(bytes), quality);
        case PictureKind::Wmf:
            return Whole(PlayMetafile(bytes), quality);
        case PictureKind::Ico:
            return Whole(ReadIco(bytes), quality);
    }
    throw PictureError("Unsupported picture kind");
}

}  // namespace vellum::pictures
