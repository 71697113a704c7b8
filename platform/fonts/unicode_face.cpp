// Unicode fonts through HarfBuzz: the character map, advances, metrics and
// subsetting of one TrueType font.
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <climits>
#include <cmath>
#include <new>

#include "font_services.h"

namespace vellum::fonts {
namespace {

template <class T, void (*Destroy)(T*)>
struct HbDeleter {
    void operator()(T* object) const { Destroy(object); }
};
using BlobPtr = std::unique_ptr<hb_blob_t, HbDeleter<hb_blob_t, hb_blob_destroy>>;
using FacePtr = std::unique_ptr<hb_face_t, HbDeleter<hb_face_t, hb_face_destroy>>;
using FontPtr = std::unique_ptr<hb_font_t, HbDeleter<hb_font_t, hb_font_destroy>>;
using BufferPtr = std::unique_ptr<hb_buffer_t, HbDeleter<hb_buffer_t, hb_buffer_destroy>>;
using SubsetInputPtr = std::unique_ptr<hb_subset_input_t, HbDeleter<hb_subset_input_t, hb_subset_input_destroy>>;

// A big-endian field of a font table, 0 when the table is too short.
std::int32_t ReadInt16(std::string_view table, std::size_t offset) {
    if (offset + 2 > table.size()) return 0;
    const auto value = static_cast<std::uint16_t>((static_cast<unsigned char>(table[offset]) << 8) |
                                                  static_cast<unsigned char>(table[offset + 1]));
    return static_cast<std::int16_t>(value);
}

std::int64_t ReadInt32(std::string_view table, std::size_t offset) {
    if (offset + 4 > table.size()) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(table[offset + i]);
    return static_cast<std::int32_t>(value);
}

std::string TableBytes(hb_face_t* face, hb_tag_t tag) {
    const BlobPtr blob(hb_face_reference_table(face, tag));
    unsigned int length = 0;
    const char* data = hb_blob_get_data(blob.get(), &length);
    return data == nullptr ? std::string() : std::string(data, length);
}

// Vertical metrics, bounding box, slant and pitch for the font descriptor, in
// thousandths of an em.
FaceMetrics ReadMetrics(hb_face_t* face, hb_font_t* font, unsigned int unitsPerEm) {
    auto thousandths = [unitsPerEm](double units) {
        return static_cast<std::int32_t>(std::lround(units * 1000.0 / unitsPerEm));
    };
    FaceMetrics metrics;
    hb_position_t position = 0;
    if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &position)) {
        metrics.ascent = thousandths(position);
    }
    if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &position)) {
        metrics.descent = thousandths(position);
    }
    if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_CAP_HEIGHT, &position)) {
        metrics.capHeight = thousandths(position);
    }
    if (metrics.capHeight == 0) metrics.capHeight = metrics.ascent;
    const std::string head = TableBytes(face, HB_TAG('h', 'e', 'a', 'd'));
    for (std::size_t i = 0; i < 4; ++i) metrics.bbox[i] = thousandths(ReadInt16(head, 36 + 2 * i));
    const std::string post = TableBytes(face, HB_TAG('p', 'o', 's', 't'));
    metrics.italicAngle = static_cast<double>(ReadInt32(post, 4)) / 65536.0;
    metrics.fixedPitch = ReadInt32(post, 12) != 0;
    return metrics;
}

class HarfBuzzFace final : public UnicodeFace {
public:
    HarfBuzzFace(BlobPtr blob, FacePtr face, FontPtr font, unsigned int unitsPerEm)
        : blob_(std::move(blob)), face_(std::move(face)), font_(std::move(font)), unitsPerEm_(unitsPerEm) {}

    std::uint32_t GlyphOf(char32_t character) const override {
        hb_codepoint_t glyph = 0;
        if (!hb_font_get_nominal_glyph(font_.get(), character, &glyph) || glyph > 0xFFFF) return 0;
        return glyph;
    }

    std::int32_t Advance(std::uint32_t glyph) const override {
        const hb_position_t advance = hb_font_get_glyph_h_advance(font_.get(), glyph);
        return static_cast<std::int32_t>(std::lround(advance * 1000.0 / unitsPerEm_));
    }

    std::optional<std::string> Subset(const std::vector<std::pair<std::uint32_t, char32_t>>& used) const override {
        const SubsetInputPtr input(hb_subset_input_create_or_fail());
        if (!input) throw std::bad_alloc();
        hb_set_t* glyphs = hb_subset_input_glyph_set(input.get());
        hb_set_t* characters = hb_subset_input_unicode_set(input.get());
        hb_set_add(glyphs, 0);
        for (const auto& [glyph, character] : used) {
            hb_set_add(glyphs, glyph);
            if (glyph != 0) hb_set_add(characters, character);
        }
        hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
        for (const hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                                   HB_TAG('k', 'e', 'r', 'n'), HB_TAG('n', 'a', 'm', 'e')}) {
            hb_set_add(dropped, tag);
        }
        hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
        const FacePtr subset(hb_subset_or_fail(face_.get(), input.get()));
        if (!subset) return std::nullopt;
        const BlobPtr blob(hb_face_reference_blob(subset.get()));
        unsigned int length = 0;
        const char* data = hb_blob_get_data(blob.get(), &length);
        if (data == nullptr || length == 0) return std::nullopt;
        return std::string(data, length);
    }

    double ExactAdvance(std::uint32_t glyph) const override {
        return hb_font_get_glyph_h_advance(font_.get(), glyph) * 1000.0 / unitsPerEm_;
    }

    unsigned int UnitsPerEm() const override { return unitsPerEm_; }

    std::vector<ShapedGlyph> Shape(std::u32string_view text, std::size_t start, std::size_t length, bool rightToLeft,
                                   std::string_view language) const override {
        std::vector<ShapedGlyph> shaped;
        if (length == 0 || text.size() > INT_MAX) return shaped;
        const BufferPtr buffer(hb_buffer_create());
        if (!hb_buffer_allocation_successful(buffer.get())) throw std::bad_alloc();
        hb_buffer_add_utf32(buffer.get(), reinterpret_cast<const std::uint32_t*>(text.data()),
                            static_cast<int>(text.size()), static_cast<unsigned int>(start), static_cast<int>(length));
        hb_buffer_set_direction(buffer.get(), rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        // A fixed language unless one is given: shaping must not follow the process's locale.
        const std::string_view tag = language.empty() ? std::string_view("und") : language;
        hb_buffer_set_language(buffer.get(), hb_language_from_string(tag.data(), static_cast<int>(tag.size())));
        hb_buffer_guess_segment_properties(buffer.get());
        hb_shape(font_.get(), buffer.get(), nullptr, 0);
        if (!hb_buffer_allocation_successful(buffer.get())) throw std::bad_alloc();
        unsigned int count = 0;
        const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
        const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
        shaped.reserve(count);
        for (unsigned int i = 0; i < count; ++i) {
            shaped.push_back({infos[i].codepoint > 0xFFFF ? 0 : infos[i].codepoint, infos[i].cluster,
                              positions[i].x_advance, positions[i].x_offset, positions[i].y_offset});
        }
        return shaped;
    }

private:
    BlobPtr blob_;
    FacePtr face_;
    FontPtr font_;
    unsigned int unitsPerEm_;
};

}  // namespace

OpenedFace OpenHarfBuzzFace(std::string_view bytes) {
    OpenedFace opened;
    if (bytes.size() > UINT_MAX) {
        opened.problem = "The font file is too large";
        return opened;
    }
    BlobPtr blob(hb_blob_create(bytes.data(), static_cast<unsigned int>(bytes.size()), HB_MEMORY_MODE_READONLY,
                                nullptr, nullptr));
    const unsigned int faces = hb_face_count(blob.get());
    if (faces != 1) {
        opened.problem = faces == 0 ? "The file is not a TrueType or OpenType font"
                                    : "The file is a font collection; give a single font file";
        return opened;
    }
    FacePtr face(hb_face_create(blob.get(), 0));
    if (TableBytes(face.get(), HB_TAG('g', 'l', 'y', 'f')).empty() ||
        TableBytes(face.get(), HB_TAG('l', 'o', 'c', 'a')).empty()) {
        opened.problem = "The font has no TrueType outlines (glyf table); fonts with CFF outlines are not supported";
        return opened;
    }
    if (hb_face_get_glyph_count(face.get()) == 0) {
        opened.problem = "The font has no glyphs (its 'maxp' table is missing or empty)";
        return opened;
    }
    unsigned int unitsPerEm = hb_face_get_upem(face.get());
    if (unitsPerEm == 0) unitsPerEm = 1000;
    FontPtr font(hb_font_create(face.get()));
    const auto upem = static_cast<int>(unitsPerEm);
    hb_font_set_scale(font.get(), upem, upem);
    opened.metrics = ReadMetrics(face.get(), font.get(), unitsPerEm);

    char name[128] = {};
    unsigned int length = sizeof name;
    hb_ot_name_get_utf8(face.get(), HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &length, name);
    opened.postScriptName = name;
    opened.face = std::make_unique<HarfBuzzFace>(std::move(blob), std::move(face), std::move(font), unitsPerEm);
    return opened;
}

}  // namespace vellum::fonts
