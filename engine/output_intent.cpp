#include "output_intent.h"

#include <utility>

#include "format.h"

namespace vellum {
namespace {

constexpr std::string_view kCondition = "sRGB IEC61966-2.1";

}  // namespace

IccProfileStream SrgbProfileStream() {
    static const auto compressed = std::make_shared<const std::string>(CompressString(SrgbProfile()));
    return {compressed,
            {{"N", PdfValue::Integer(3)},
             {"Length", PdfValue::StreamLength()},
             {"Filter", PdfValue::Name("FlateDecode")}}};
}

PdfEntries SrgbOutputIntentEntries(std::int32_t profileNumber) {
    return {{"Type", PdfValue::Name("OutputIntent")},
            {"S", PdfValue::Name("GTS_PDFA1")},
            {"OutputConditionIdentifier", PdfValue::Literal(kCondition)},
            {"Info", PdfValue::Literal(kCondition)},
            {"DestOutputProfile", PdfValue::Reference(profileNumber)}};
}

PdfEntry OutputIntentsCatalogEntry(std::int32_t profileNumber) {
    return {"OutputIntents", PdfValue::Array({PdfValue::Dictionary(SrgbOutputIntentEntries(profileNumber))})};
}

}  // namespace vellum
