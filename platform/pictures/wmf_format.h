// The Windows metafile container: the optional placeable header, the standard
// header and the record stream. ParseMetafile checks the whole stream before
// anything is drawn, so the player only ever sees records that lie inside the
// data and are at least a record header long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vellum::pictures::wmf {

// Record functions, as the file stores them.
enum Function : std::uint16_t {
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kRealizePalette = 0x0035,
    kSetPalEntries = 0x0037,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetPolyFillMode = 0x0106,
    kSetStretchBltMode = 0x0107,
    kSetTextCharExtra = 0x0108,
    kRestoreDc = 0x0127,
    kInvertRegion = 0x012A,
    kPaintRegion = 0x012B,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kFillRegion = 0x0228,
    kSelectPalette = 0x0234,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kBitBlt = 0x0922,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kStretchBlt = 0x0B23,
    kDibStretchBlt = 0x0B41,
    kSetDibToDev = 0x0D33,
    kStretchDib = 0x0F43,
};

// One record's parameters, read as little-endian 16-bit words. Every read is
// bounds-checked and yields 0 outside the record, so a handler that checked
// Has() first can never read past its record, and one that forgot reads zeros.
class Record {
public:
    Record(std::uint16_t function, std::string_view params) : function_(function), params_(params) {}

    std::uint16_t function() const { return function_; }
    std::size_t words() const { return params_.size() / 2; }
    bool Has(std::size_t count) const { return words() >= count; }

    std::uint16_t U(std::size_t index) const;
    std::int16_t S(std::size_t index) const { return static_cast<std::int16_t>(U(index)); }
    // Two words, the low one first.
    std::uint32_t U32(std::size_t index) const { return U(index) | (std::uint32_t{U(index + 1)} << 16); }

    // The parameter bytes from a byte offset on (empty past the end).
    std::string_view BytesFrom(std::size_t offset) const;

private:
    std::uint16_t function_;
    std::string_view params_;
};

struct Metafile {
    bool placeable = false;
    // The placeable header's bounding box, in the metafile's logical units,
    // and how many of those units make an inch.
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;
    std::uint16_t unitsPerInch = 0;
    // The object table size the header announces.
    std::uint16_t objectCount = 0;
    // The records from the first one up to and including the end record.
    std::string_view records;
    // The first SetWindowExt record's width and height, if there is one.
    std::optional<std::int32_t> windowExtX, windowExtY;
};

// Throws PictureError(kBadMetafile) when a header is missing or wrong, when a
// record is shorter than its own header or runs past the data, and when the
// data ends before the end record.
Metafile ParseMetafile(std::string_view bytes);

// Walks the records of a parsed metafile, the end record excluded.
class RecordCursor {
public:
    explicit RecordCursor(std::string_view records) : records_(records) {}
    std::optional<Record> Next();

private:
    std::string_view records_;
    std::size_t position_ = 0;
};

}  // namespace vellum::pictures::wmf
