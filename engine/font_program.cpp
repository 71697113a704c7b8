#include "font_program.h"

#include "document.h"
#include "format.h"
#include "pdf_object.h"

namespace vellum {

std::string SubsetTag(const UsedGlyphs& used) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const auto& entry : used) {
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (entry.first >> shift) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

EmbeddedProgram MakeProgram(const UnicodeFontFile& file, const UsedGlyphs& used) {
    EmbeddedProgram program;
    std::optional<std::string> subset = file.Subset(used);
    program.subset = subset.has_value();
    const std::string_view bytes = subset ? std::string_view(*subset) : std::string_view(file.Bytes());
    program.compressed = std::make_shared<const std::string>(CompressString(bytes));
    program.length = bytes.size();
    return program;
}

int DescriptorFlags(const FontMetrics& metrics, bool serif, bool symbolic) {
    return (metrics.fixedPitch ? 1 : 0) | (serif ? 2 : 0) | (symbolic ? 4 : 32) | (metrics.italicAngle != 0 ? 64 : 0);
}

std::string DescriptorObject(std::int32_t number, std::string_view baseFont, const FontMetrics& metrics, int flags,
                             std::int32_t program, std::int32_t cidSet) {
    return ObjectText(number, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /FontDescriptor\r\n/FontName ").Name(baseFont);
        text.Raw("\r\n/Flags ").Integer(flags).Raw("\r\n/FontBBox [");
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0) text.Raw(" ");
            text.Integer(metrics.bbox[i]);
        }
        text.Raw("]\r\n/ItalicAngle ").Real(pattern::kUpToTwoPlaces, metrics.italicAngle);
        text.Raw("\r\n/Ascent ").Integer(metrics.ascent).Raw("\r\n/Descent ").Integer(metrics.descent);
        text.Raw("\r\n/CapHeight ").Integer(metrics.capHeight).Raw("\r\n/StemV 80\r\n/FontFile2 ");
        text.Reference(program).Raw("\r\n");
        if (cidSet != 0) text.Raw("/CIDSet ").Reference(cidSet).Raw("\r\n");
        text.Raw(">>\r\n");
    });
}

void SetStreamObject(TPDFObject& object, std::shared_ptr<const std::string> compressed,
                     std::optional<std::size_t> programLength) {
    object.StreamDictionary = {{"Length", PdfValue::StreamLength()}};
    if (programLength) {
        object.StreamDictionary.push_back({"Length1", PdfValue::Integer(static_cast<std::int64_t>(*programLength))});
    }
    object.StreamDictionary.push_back({"Filter", PdfValue::Name("FlateDecode")});
    object.SharedStream = std::move(compressed);
}

}  // namespace vellum
