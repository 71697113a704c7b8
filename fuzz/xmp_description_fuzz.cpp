// libFuzzer target: any bytes given as a caller's rdf:Description are either
// refused with an EngineError or read into a schema whose description, put
// back into the packet's form, reads the same again, and whose packet with
// the declaration is well-formed XML.
#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "errors.h"
#include "xmp_extension.h"
#include "xmp_metadata.h"

namespace {

// With namespaces checked; the separator is no character XML can hold, as
// expat refuses a namespace name that contains it.
bool WellFormed(const std::string& xml) {
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
        XML_ParserCreateNS("UTF-8", '\x01'), &XML_ParserFree);
    return XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vellum::XmpCustomSchema schema;
    try {
        schema = vellum::ReadRdfDescription(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const vellum::EngineError&) {
        return 0;
    }
    if (schema.prefix.empty() || schema.namespaceUri.empty() || schema.properties.empty()) __builtin_trap();

    // The packet declares rdf on rdf:RDF; standing alone, the block needs it too.
    std::string block = vellum::XmpDescriptionBlock(schema);
    constexpr std::string_view kStart = "<rdf:Description ";
    if (block.rfind(kStart, 0) != 0) __builtin_trap();
    block.insert(kStart.size(), "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" ");
    if (vellum::ReadRdfDescription(block) != schema) __builtin_trap();

    if (!WellFormed(vellum::XmpPacket({}, {2, 'B'}, vellum::CustomDescriptions({schema})))) __builtin_trap();
    // The same properties again can never join.
    try {
        vellum::CheckJoinable({&schema, 1}, schema);
        __builtin_trap();
    } catch (const vellum::EngineError&) {
    }
    return 0;
}
