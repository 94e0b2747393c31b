#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bytes.hpp"

// The record structure of a Windows metafile, read the same way by the
// decoder that judges a file and by the window that plays it.
namespace torvane::pictures {

// The Aldus placeable header: the picture's box in metafile units and how
// many of those units make an inch.
struct WmfPlaceable {
  std::int16_t left = 0;
  std::int16_t top = 0;
  std::int16_t right = 0;
  std::int16_t bottom = 0;
  std::uint16_t units_per_inch = 0;
};

struct WmfRecord {
  std::uint16_t function = 0;
  BytesView params;  // the words after the function number, inside the record
};

struct WmfFile {
  std::optional<WmfPlaceable> placeable;
  std::uint16_t object_count = 0;  // slots in the object table, as the header gives it
  std::vector<WmfRecord> records;  // up to META_EOF, which is not included
};

// Nullopt when the header or the record walk is broken: a bad placeable
// checksum, an unknown header, a record that leaves the file or is shorter
// than its own header, or no META_EOF. The views point into `file_bytes`.
std::optional<WmfFile> ReadWindowsMetafile(BytesView file_bytes);

}  // namespace torvane::pictures
