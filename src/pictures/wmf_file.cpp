#include "pictures/wmf_file.hpp"

#include "platform/little_endian.hpp"

namespace torvane::pictures {

std::optional<WmfFile> ReadWindowsMetafile(BytesView file_bytes) {
  constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
  constexpr std::size_t kPlaceableSize = 22;
  constexpr std::size_t kHeaderSize = 18;

  WmfFile file;
  std::size_t pos = 0;
  if (Fits(file_bytes, 0, 4) && U32At(file_bytes, 0) == kPlaceableKey) {
    if (!Fits(file_bytes, 0, kPlaceableSize)) return std::nullopt;
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 10; ++i) checksum ^= U16At(file_bytes, 2 * i);
    if (checksum != U16At(file_bytes, 20)) return std::nullopt;
    file.placeable = WmfPlaceable{I16At(file_bytes, 6), I16At(file_bytes, 8), I16At(file_bytes, 10),
                                  I16At(file_bytes, 12), U16At(file_bytes, 14)};
    pos = kPlaceableSize;
  }

  // METAHEADER: type (memory or disk), size in words, version, and no
  // parameters. Its total size and largest record are often wrong and
  // are not relied on.
  if (!Fits(file_bytes, pos, kHeaderSize)) return std::nullopt;
  const std::uint16_t type = U16At(file_bytes, pos);
  const std::uint16_t version = U16At(file_bytes, pos + 4);
  if ((type != 1 && type != 2) || U16At(file_bytes, pos + 2) != 9 || (version != 0x0100 && version != 0x0300) ||
      U16At(file_bytes, pos + 16) != 0) {
    return std::nullopt;
  }
  file.object_count = U16At(file_bytes, pos + 10);
  pos += kHeaderSize;

  // Each record: size in words (itself included), function, parameters.
  for (;;) {
    if (!Fits(file_bytes, pos, 6)) return std::nullopt;
    const std::uint64_t size = std::uint64_t{U32At(file_bytes, pos)} * 2;
    const std::uint16_t function = U16At(file_bytes, pos + 4);
    if (size < 6 || !Fits(file_bytes, pos, size)) return std::nullopt;
    if (function == 0) break;  // META_EOF
    file.records.push_back({function, file_bytes.substr(pos + 6, static_cast<std::size_t>(size - 6))});
    pos += static_cast<std::size_t>(size);
  }
  return file;
}

}  // namespace torvane::pictures
