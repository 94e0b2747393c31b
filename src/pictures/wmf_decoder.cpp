#include <cstdint>
#include <cstdlib>
#include <optional>

#include "pictures/decoders.hpp"
#include "pictures/metafile_picture.hpp"
#include "pictures/wmf_cost.hpp"
#include "pictures/wmf_file.hpp"
#include "pictures/wmf_records.hpp"
#include "platform/little_endian.hpp"

namespace torvane::pictures {

// A Windows metafile, optionally behind the 22-byte Aldus placeable header
// that gives its size. Without that header the size is the window extent
// of the first META_SETWINDOWEXT record.
Picture DecodeWindowsMetafile(BytesView file_bytes) {
  const auto file = ReadWindowsMetafile(file_bytes);
  if (!file || !WithinBudget(*file)) ThrowBrokenMetafile();
  std::optional<std::int64_t> width;
  std::optional<std::int64_t> height;
  if (const auto& box = file->placeable) {
    if (box->units_per_inch == 0) ThrowBrokenMetafile();
    width = ToScreenPixels(std::int64_t{box->right} - box->left, box->units_per_inch);
    height = ToScreenPixels(std::int64_t{box->bottom} - box->top, box->units_per_inch);
  } else {
    for (const WmfRecord& record : file->records) {
      if (record.function != wmf::kSetWindowExt) continue;
      if (record.params.size() < 4) ThrowBrokenMetafile();
      height = std::abs(std::int64_t{I16At(record.params, 0)});
      width = std::abs(std::int64_t{I16At(record.params, 2)});
      break;
    }
  }
  if (!width || !height) ThrowBrokenMetafile();
  return MetafilePicture(PictureFormat::Metafile, file_bytes, *width, *height);
}

}  // namespace torvane::pictures
