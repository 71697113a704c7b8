#include "jpeg_markers.h"

#include <algorithm>
#include <optional>

namespace vellum::pictures {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kDnl = 0xDC;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp14 = 0xEE;

// Sequential and progressive Huffman coding: what every reader of DCTDecode
// streams decodes. Lossless, hierarchical and arithmetic-coded frames are not.
bool IsFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
bool IsShownEverywhere(int process) { return process == 0xC0 || process == 0xC1 || process == 0xC2; }
bool IsRestart(std::uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }

std::uint8_t At(std::string_view bytes, std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); }
int BigEndian16(std::string_view bytes, std::size_t at) { return At(bytes, at) << 8 | At(bytes, at + 1); }

JpegScan Decode(std::string reason, const JpegFrame& frame = {}) {
    return {JpegVerdict::NeedsDecoding, std::move(reason), frame};
}

// Component count, samples and sampling factors as the frame header states
// them; an empty text when they make sense.
std::string ReadFrame(std::string_view segment, int marker, JpegFrame& frame) {
    if (segment.size() < 6) return "the frame header is short";
    frame.process = marker;
    frame.precision = At(segment, 0);
    frame.height = BigEndian16(segment, 1);
    frame.width = BigEndian16(segment, 3);
    frame.components = At(segment, 5);
    if (frame.components < 1 || segment.size() != 6 + 3 * static_cast<std::size_t>(frame.components)) {
        return "the frame header's length does not match its components";
    }
    int blocks = 0;
    for (int i = 0; i < frame.components; ++i) {
        const std::size_t at = 6 + 3 * static_cast<std::size_t>(i);
        if (i < 4) frame.ids[static_cast<std::size_t>(i)] = At(segment, at);
        const int horizontal = At(segment, at + 1) >> 4;
        const int vertical = At(segment, at + 1) & 15;
        if (horizontal < 1 || horizontal > 4 || vertical < 1 || vertical > 4 || At(segment, at + 2) > 3) {
            return "a component has sampling factors or a table out of range";
        }
        blocks += horizontal * vertical;
    }
    if (frame.components > 1 && blocks > 10) return "the components' sampling factors are out of range";
    return {};
}

std::string CheckScanHeader(std::string_view segment, const JpegFrame& frame) {
    if (frame.components == 0) return "a scan comes before the frame header";
    const std::size_t count = segment.empty() ? 0 : At(segment, 0);
    if (count < 1 || count > 4 || segment.size() != 4 + 2 * count) return "a scan header is malformed";
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t id = At(segment, 1 + 2 * i);
        const auto end = frame.ids.begin() + std::min(frame.components, 4);
        if (std::find(frame.ids.begin(), end, id) == end) return "a scan names a component the frame lacks";
    }
    return {};
}

// From the first byte after a scan header: the position of the marker that
// ends the entropy-coded data (stuffed zeros, restarts and fill bytes belong
// to it), or nothing when the file ends first.
std::optional<std::size_t> EndOfScanData(std::string_view bytes, std::size_t at) {
    while (at + 1 < bytes.size()) {
        if (At(bytes, at) != 0xFF) {
            ++at;
            continue;
        }
        const std::uint8_t next = At(bytes, at + 1);
        if (next == 0x00 || IsRestart(next)) {
            at += 2;
        } else if (next == 0xFF) {
            ++at;
        } else {
            return at;
        }
    }
    return std::nullopt;
}

void NoteApplicationSegment(std::uint8_t marker, std::string_view segment, JpegFrame& frame) {
    if (marker == kApp0 && segment.substr(0, 5) == std::string_view("JFIF\0", 5)) frame.jfif = true;
    if (marker == kApp14 && segment.size() >= 12 && segment.substr(0, 5) == "Adobe") {
        frame.adobe = true;
        frame.adobeTransform = At(segment, 11);
    }
}

JpegScan Verdict(const JpegFrame& frame) {
    if (!IsShownEverywhere(frame.process)) return Decode("it is not Huffman-coded sequential or progressive", frame);
    if (frame.precision != 8) return Decode("its samples are not 8-bit", frame);
    if (frame.components == 2 || frame.components > 4) return Decode("it has neither 1, 3 nor 4 components", frame);
    if (frame.width == 0 || frame.height == 0) return Decode("its frame states no size", frame);
    return {JpegVerdict::Embeddable, {}, frame};
}

}  // namespace

JpegScan ScanJpeg(std::string_view bytes) {
    if (bytes.size() < 4 || At(bytes, 0) != 0xFF || At(bytes, 1) != kSoi) return Decode("it does not start with SOI");
    JpegFrame frame;
    bool scanned = false;
    std::size_t at = 2;
    while (at < bytes.size()) {
        if (At(bytes, at) != 0xFF) return Decode("a marker is expected", frame);
        while (at < bytes.size() && At(bytes, at) == 0xFF) ++at;  // fill bytes
        if (at == bytes.size()) break;
        const std::uint8_t marker = At(bytes, at++);
        if (marker == kEoi) return scanned ? Verdict(frame) : Decode("it has no scan", frame);
        if (marker == kSoi || marker == 0x00 || IsRestart(marker)) return Decode("a marker is out of place", frame);
        if (marker == 0x01) continue;  // TEM stands alone
        if (bytes.size() - at < 2) break;
        const std::size_t length = static_cast<std::size_t>(BigEndian16(bytes, at));
        if (length < 2 || length > bytes.size() - at) return Decode("a segment runs past the end", frame);
        const std::string_view segment = bytes.substr(at + 2, length - 2);
        at += length;
        std::string fault;
        if (IsFrame(marker)) {
            fault = frame.components != 0 ? "it has more than one frame" : ReadFrame(segment, marker, frame);
        } else if (marker == kDnl || marker == 0xDE || marker == 0xDF) {
            fault = "it defines its height or frames later (DNL, DHP, EXP)";
        } else if (marker == kSos) {
            fault = CheckScanHeader(segment, frame);
            const std::optional<std::size_t> end = fault.empty() ? EndOfScanData(bytes, at) : std::nullopt;
            if (fault.empty() && !end) fault = "the file ends inside a scan";
            if (end) at = *end;
            scanned = true;
        } else {
            NoteApplicationSegment(marker, segment, frame);
        }
        if (!fault.empty()) return Decode(fault, frame);
    }
    return Decode("the file ends before EOI", frame);
}

}  // namespace vellum::pictures
