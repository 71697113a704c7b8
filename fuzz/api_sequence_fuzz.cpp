// libFuzzer target: the input is decoded into late-bound calls on one
// PDFDocument object, through GetIDsOfNames and Invoke as a script host makes
// them: any member, any flags, arguments of any VARIANT type (NaN,
// infinities, huge and negative numbers, long and invalid UTF-16 texts, Null,
// Empty), in whatever state the previous calls left the object. Every
// document written, to a file or as a byte array, must pass our structural
// checker (which leaves an encrypted document's stream data alone: Encrypt
// is one of the members called, its method and permission words among the
// texts, as are the archival levels). File names never come from the input: each names one of a few
// files in a private folder, so a run cannot touch anything else. A file's
// bytes may come from the input, so damaged pictures and fonts reach their
// readers through the calls that load them. A tagged document's structure
// must also pass our tagged-structure checker; structure roles, artifact
// kinds, languages and path modes are mostly chosen from the valid ones, so
// calls reach the tree and the painted paths rather than their refusals.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/raii.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "VELLUM_XP_TLB.h"
#include "member_table.h"
#include "pdf_document.h"
#include "pdf_structure.h"
#include "tagged_structure.h"

namespace {

constexpr int kMaxCallsPerInput = 48;
constexpr std::size_t kLongTextUnits = 70000;

// Consumes the input from the front; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return value;
    }
    double Double() {
        std::uint64_t bits = static_cast<std::uint64_t>(Word()) << 32 | Word();
        double value;
        static_assert(sizeof value == sizeof bits);
        __builtin_memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string Bytes(std::size_t count) {
        count = std::min(count, size_ - at_);
        std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The private folder and the files every file-name argument is chosen from.
struct Files {
    std::filesystem::path folder;
    std::vector<std::u16string> fonts, pictures, outputs;

    static const Files& Get() {
        static const Files files = Make();
        return files;
    }

    static void Write(const std::filesystem::path& path, const std::string& bytes) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) std::abort();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

private:
    static std::u16string Wide(const std::filesystem::path& path) { return vellum::Utf8ToUtf16(path.string()); }

    // A 2x2 24-bit bitmap: red, green / blue, white.
    static std::string SmallBitmap() {
        std::string bmp = "BM";
        auto le32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i) & 0xFF);
        };
        auto le16 = [&](std::uint16_t v) {
            bmp += static_cast<char>(v & 0xFF);
            bmp += static_cast<char>(v >> 8);
        };
        le32(70), le32(0), le32(54), le32(40), le32(2), le32(2), le16(1), le16(24), le32(0), le32(16);
        le32(2835), le32(2835), le32(0), le32(0);
        bmp += std::string("\xFF\x00\x00\xFF\xFF\xFF\x00\x00", 8);  // bottom row: blue, white, padding
        bmp += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);  // top row: red, green, padding
        return bmp;
    }

    static Files Make() {
        Files files;
        const char* tmp = std::getenv("TMPDIR");
        files.folder = std::filesystem::path(tmp != nullptr ? tmp : "/tmp") /
                       ("vellum-api-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(files.folder);
        Write(files.folder / "small.bmp", SmallBitmap());
        Write(files.folder / "truncated.bmp", SmallBitmap().substr(0, 40));
        Write(files.folder / "empty.jpg", "");
        const std::filesystem::path liberation = "/usr/share/fonts/truetype/liberation";
        files.fonts = {Wide(liberation / "LiberationSans-Regular.ttf"), Wide(liberation / "LiberationMono-Regular.ttf"),
                       Wide(files.folder / "small.bmp"), Wide(files.folder / "missing.ttf"), Wide(files.folder),
                       u""};
        files.pictures = {Wide(files.folder / "small.bmp"), Wide(files.folder / "truncated.bmp"),
                          Wide(files.folder / "empty.jpg"), Wide(files.folder / "missing.bmp"),
                          Wide(liberation / "LiberationSans-Regular.ttf"), u""};
        files.outputs = {Wide(files.folder / "out.pdf"), Wide(files.folder / "out.pdf"),
                         Wide(files.folder / "no-such-folder" / "out.pdf"), Wide(files.folder), u""};
        return files;
    }
};

double SpecialDouble(Input& in) {
    static constexpr double kValues[] = {0.0,
                                         -0.0,
                                         1.0,
                                         -1.0,
                                         0.5,
                                         10.0,
                                         100.0,
                                         595.0,
                                         1e9,
                                         -1e9,
                                         1e9 + 1,
                                         2147483647.0,
                                         2147483648.0,
                                         -2147483649.0,
                                         1e300,
                                         -1e300,
                                         1e308,
                                         4.9e-324,
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         std::numeric_limits<double>::quiet_NaN(),
                                         36000.0,
                                         1e12};
    const std::uint8_t choice = in.Byte();
    if (choice < sizeof kValues / sizeof kValues[0]) return kValues[choice];
    if (choice < 200) return static_cast<double>(static_cast<std::int8_t>(in.Byte())) * (choice - 20);
    return in.Double();
}

std::int32_t SpecialLong(Input& in) {
    static constexpr std::int32_t kValues[] = {0, 1, -1, 2, 3, 255, 256, 36000, 2147483647, -2147483647 - 1};
    const std::uint8_t choice = in.Byte();
    if (choice < sizeof kValues / sizeof kValues[0]) return kValues[choice];
    if (choice < 200) return static_cast<std::int8_t>(in.Byte());
    return static_cast<std::int32_t>(in.Word());
}

// Texts: short ones from the input (any UTF-16 unit, lone surrogates and NULs
// included), a few fixed words that members recognise, and very long ones.
std::u16string Text(Input& in) {
    static const std::u16string kWords[] = {u"mm", u"cm", u"inch", u"pdfu", u"LEFT", u"CENTER", u"RIGHT",
                                            u"FULL", u"Helvetica", u"/F3", u"Courier-Bold", u"ChangeCreator",
                                            u"ChangeProducer", u"AddFontWithModKern", u"UseFontSize",
                                            u"a (b) \\ c\r\nd\te", u"\u00E9\u20AC\u4E2D\U0001F600",
                                            u"AddFontUnicode", u"AES-128", u"rc4-128", u"print, copy", u"all",
                                            u"PDF/A-1b", u"pdf/a-2u", u"PDF/A-3b", u"text/xml", u"Alternative",
                                            u"<rdf:Description xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                                            u"xmlns:fx=\"urn:fx#\"><fx:Version>1.0</fx:Version></rdf:Description>"};
    const std::uint8_t choice = in.Byte();
    if (choice < sizeof kWords / sizeof kWords[0]) return kWords[choice];
    if (choice == 250) return std::u16string(kLongTextUnits, u'W');
    if (choice == 251) {
        std::u16string words;
        while (words.size() < kLongTextUnits) words += u"word \u00E9 (x) ";
        return words;
    }
    std::u16string text(in.Byte() % 40, u' ');
    for (char16_t& unit : text) unit = static_cast<char16_t>(in.Byte() << 8 | in.Byte());
    return text;
}

void SetBstr(VARIANT& value, std::u16string_view text) {
    value.vt = VT_BSTR;
    value.bstrVal = vellum::AllocBstr(text);
}

// A file-name choice byte from here up (for anything but the output) writes
// the file from the input: two length bytes, then its bytes. The byte picks
// the extension; none lets the content decide which picture reader runs.
constexpr std::uint8_t kFileFromInput = 0xF0;

std::u16string FileFromInput(Input& in, std::uint8_t choice) {
    static constexpr const char* kExtensions[] = {"", ".bmp", ".ico", ".wmf", ".jpg"};
    const std::size_t length = std::size_t{in.Byte()} << 8 | in.Byte();
    const std::filesystem::path path =
        Files::Get().folder / (std::string("input") + kExtensions[(choice - kFileFromInput) % 5]);
    Files::Write(path, in.Bytes(length));
    return vellum::Utf8ToUtf16(path.string());
}

// The words a tagging parameter, a path mode or a picture encoding is most
// often given: the valid ones, one invalid, and for descriptions ordinary
// text. Null for other parameters.
const std::vector<std::u16string>* ChosenWords(std::string_view member, std::string_view parameter) {
    static const std::vector<std::u16string> kRoles = {
        u"Document", u"Part", u"Sect", u"Div", u"P", u"H1", u"H2", u"H3", u"H4", u"H5", u"H6", u"L", u"LI",
        u"Lbl", u"LBody", u"Table", u"THead", u"TBody", u"TR", u"TH", u"TD", u"Figure", u"Caption", u"BlockQuote",
        u"Quote", u"Note", u"Code", u"Span", u"Link", u"Annot", u"Para"};
    static const std::vector<std::u16string> kKinds = {u"Pagination", u"Layout", u"Background", u"Header"};
    static const std::vector<std::u16string> kLanguages = {u"en-GB", u"", u"en GB", u"de"};
    static const std::vector<std::u16string> kDescriptions = {u"A picture", u"", u"Chart (2024) \u00E9\u20AC\u4E2D"};
    static const std::vector<std::u16string> kModes = {u"stroke", u"fill", u"fill-stroke", u"fill-evenodd",
                                                       u"fill-stroke-evenodd", u"clip", u"clip-evenodd", u"CLIP",
                                                       u"outline"};
    static const std::vector<std::u16string> kEncodings = {u"Lossless", u"JPEG", u"lossless", u"PNG"};
    if (member == "DrawPath") return &kModes;
    if (member == "ImageEncoding") return &kEncodings;
    if (member == "BeginStructure" && parameter == "Role") return &kRoles;
    if (member == "BeginArtifact" && parameter == "Kind") return &kKinds;
    if (parameter == "Language" || (member == "Language" && parameter == "Value")) return &kLanguages;
    if (parameter == "AltText" || (member == "SetImageAltText" && parameter == "Text")) return &kDescriptions;
    return nullptr;
}

// A choice byte below this picks one of a parameter's chosen words; from
// here up, the argument is any VARIANT, as for other parameters.
constexpr std::uint8_t kAnyChosenArgument = 0x80;

// An argument of any VARIANT type; kind tells what the parameter expects, so
// file names are always chosen from the private folder's files.
void Argument(Input& in, VARIANT& value, std::string_view member, std::string_view parameter) {
    const Files& files = Files::Get();
    VariantInit(&value);
    const bool fileName = parameter == "AFilename" || parameter == "FileName" || parameter == "CertificateFile" ||
                          (member == "SendCmd" && parameter == "Param3");
    if (fileName) {
        const std::vector<std::u16string>& choices = member == "SavePDF"                    ? files.outputs
                                                     : member.find("Image") != member.npos ? files.pictures
                                                                                           : files.fonts;
        const std::uint8_t choice = in.Byte();
        const bool fromInput = choice >= kFileFromInput && member != "SavePDF";
        SetBstr(value, fromInput ? FileFromInput(in, choice) : choices[choice % choices.size()]);
        return;
    }
    if (const auto* words = ChosenWords(member, parameter)) {
        const std::uint8_t choice = in.Byte();
        if (choice < kAnyChosenArgument) {
            SetBstr(value, (*words)[choice % words->size()]);
            return;
        }
    }
    switch (in.Byte() % 14) {
        case 0: break;  // VT_EMPTY
        case 1: value.vt = VT_NULL; break;
        case 2: value.vt = VT_R8, value.dblVal = SpecialDouble(in); break;
        case 3: value.vt = VT_I4, value.lVal = SpecialLong(in); break;
        case 4: SetBstr(value, Text(in)); break;
        case 5: value.vt = VT_I2, value.iVal = static_cast<SHORT>(SpecialLong(in)); break;
        case 6: value.vt = VT_R4, value.fltVal = static_cast<float>(SpecialDouble(in)); break;
        case 7: value.vt = VT_BOOL, value.boolVal = in.Byte() & 1 ? VARIANT_TRUE : VARIANT_FALSE; break;
        case 8: value.vt = VT_UI1, value.bVal = in.Byte(); break;
        case 9: value.vt = VT_ERROR, value.scode = DISP_E_PARAMNOTFOUND; break;  // a missing argument
        case 10: value.vt = VT_DATE, value.date = SpecialDouble(in); break;
        case 11: value.vt = VT_CY, value.cyVal.int64 = static_cast<std::int64_t>(in.Word()) << 16; break;
        case 12: value.vt = VT_DISPATCH, value.pdispVal = nullptr; break;
        default: {
            // A text holding a number, as scripts often pass one.
            static const std::u16string kNumbers[] = {u"12.5", u"1e300", u"-1E+308", u"NaN", u"inf", u"  7 ",
                                                      u"0x10", u"1,5"};
            SetBstr(value, kNumbers[in.Byte() % 8]);
        }
    }
}

void CheckWrittenBytes(std::string_view bytes) {
    std::vector<std::string> problems = vellum::test::PdfStructureProblems(bytes);
    if (problems.empty()) problems = vellum::test::TaggedStructureProblems(bytes);
    if (problems.empty()) return;
    std::fprintf(stderr, "%s", vellum::test::DescribeProblems(problems).c_str());
    __builtin_trap();
}

std::string ReadOutput(const std::filesystem::path& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char buffer[1 << 16];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
    std::fclose(file);
    return bytes;
}

// Every write that succeeded is checked: the file, or the byte array.
void CheckResult(std::string_view member, HRESULT code, const VARIANT& result) {
    if (FAILED(code)) return;
    if (member == "SavePDF") {
        const std::filesystem::path out = Files::Get().folder / "out.pdf";
        if (std::filesystem::exists(out)) {
            CheckWrittenBytes(ReadOutput(out));
            std::filesystem::remove(out);
        }
    } else if (member == "GetPDFContent" && result.vt == (VT_ARRAY | VT_UI1)) {
        void* data = nullptr;
        LONG upper = -1;
        SafeArrayGetUBound(result.parray, 1, &upper);
        if (SafeArrayAccessData(result.parray, &data) != S_OK) __builtin_trap();
        CheckWrittenBytes(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1)));
        SafeArrayUnaccessData(result.parray);
    }
}

void Call(IPDFDocument* object, Input& in) {
    const vellum::MemberSpec& member = vellum::kMembers[in.Byte() % vellum::kMembers.size()];
    vellum::BStr name(vellum::Utf8ToUtf16(std::string(member.name)));
    LPOLESTR names[] = {name.get()};
    DISPID dispid = 0;
    if (object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid) != S_OK) __builtin_trap();

    // Mostly the member's own form and argument count; sometimes another.
    const std::uint8_t shape = in.Byte();
    int count = member.paramCount;
    if (shape & 0x10) count = in.Byte() % (vellum::kMaxParams + 2);
    WORD flags = member.kind == vellum::MemberKind::PropertyPut   ? DISPATCH_PROPERTYPUT
                 : member.kind == vellum::MemberKind::PropertyGet ? DISPATCH_PROPERTYGET
                                                                  : DISPATCH_METHOD;
    if (shape & 0x20) flags = static_cast<WORD>(1 + shape % 4);

    std::vector<VARIANT> args(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string_view parameter = i < member.paramCount ? member.params[i].name : std::string_view("extra");
        Argument(in, args[static_cast<std::size_t>(count - 1 - i)], member.name, parameter);  // last first
    }
    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(count), 0};
    if (flags == DISPATCH_PROPERTYPUT && !(shape & 0x40)) {
        params.rgdispidNamedArgs = &putName;
        params.cNamedArgs = count > 0 ? 1 : 0;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argErr = 0;
    const HRESULT code = object->Invoke(dispid, IID_NULL, 0, flags, &params, &result, &exception, &argErr);
    if (code == DISP_E_EXCEPTION && exception.bstrDescription == nullptr) __builtin_trap();  // failures explain
    CheckResult(member.name, code, result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&result);
    for (VARIANT& arg : args) VariantClear(&arg);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IPDFDocument* object = nullptr;
    if (vellum::automation::TPDFDocument::Create(IID_IPDFDocument, reinterpret_cast<void**>(&object)) != S_OK) {
        __builtin_trap();
    }
    Input in(data, size);
    for (int calls = 0; calls < kMaxCallsPerInput && !in.Empty(); ++calls) Call(object, in);
    object->Release();
    return 0;
}
