// Feeds arbitrary bytes to the picture decoders. The first byte picks the
// format; the rest is the file. A broken file must raise ScriptError and
// nothing else; a decoded picture must be as large as it says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/script_error.hpp"
#include "pictures/picture.hpp"

namespace {

std::int64_t Int32At(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<unsigned char>(bytes[offset + i])} << (8 * i);
  return static_cast<std::int32_t>(value);
}

// A compressed bitmap is allocated at its claimed size before its data is
// read (a tiny file may rightly describe a huge blank picture). Such
// claims cost a second each and teach the fuzzer nothing new; the unit
// tests cover the size limit.
bool IsHugeCompressedBitmap(std::string_view file) {
  if (file.size() < 34 || file.substr(0, 2) != "BM" || Int32At(file, 14) < 40) return false;
  const std::int64_t compression = Int32At(file, 30);
  const std::int64_t pixels = Int32At(file, 18) * Int32At(file, 22);
  return (compression == 1 || compression == 2) && (pixels > (1 << 20) || pixels < -(1 << 20));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr torvane::PictureFormat kFormats[] = {
      torvane::PictureFormat::Bitmap, torvane::PictureFormat::Icon, torvane::PictureFormat::Metafile,
      torvane::PictureFormat::EnhancedMetafile};
  const torvane::PictureFormat format = kFormats[data[0] % 4];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
  if (format == torvane::PictureFormat::Bitmap && IsHugeCompressedBitmap(file)) return 0;
  try {
    const torvane::Picture picture = torvane::DecodePicture(format, file);
    if (picture.Width < 0 || picture.Height < 0) std::abort();
    if (format == torvane::PictureFormat::Metafile || format == torvane::PictureFormat::EnhancedMetafile) {
      if (!picture.Pixels.empty() || !picture.MetafileBytes || *picture.MetafileBytes != file) std::abort();
    } else {
      const auto pixels = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
      if (pixels == 0 || picture.Pixels.size() != pixels) std::abort();
    }
  } catch (const torvane::ScriptError&) {
  }
  return 0;
}
