// A structural checker for the PDF files we write, independent of the
// writer: it reads the file as a reader would and lists what a reader could
// not accept. Used by ordinary tests and by the fuzz targets, so it depends
// on nothing but zlib.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum::test {

// The largest magnitude of any number a reader accepts in the file: the
// 32-bit integers, which readers also apply to the whole part of reals.
inline constexpr double kLargestReaderNumber = 2147483647.0;

// Every problem found, each one line naming where it is; empty when the file
// is sound. Checked: the header and end marker; the cross-reference table
// (its size matches the trailer, every offset points exactly at "N 0 obj");
// every object framed by "N 0 obj" and "endobj", with its stream exactly
// /Length bytes long; every "N 0 R" naming an object of the table; names
// without #00; every number, in objects and in inflated content streams,
// written without exponent and within kLargestReaderNumber; every image at
// least 1x1 pixels; every FlateDecode stream inflating cleanly (unless the
// trailer names an encryption dictionary).
std::vector<std::string> PdfStructureProblems(std::string_view file);

// The problems joined one per line, for assertion messages.
std::string DescribeProblems(const std::vector<std::string>& problems);

}  // namespace vellum::test
