// Feeds arbitrary bytes to the picture decoders. The first byte picks the
// format; the rest is the file. A broken file must raise ScriptError and
// nothing else; a decoded picture must be as large as it says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/script_error.hpp"
#include "pictures/picture.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr torvane::PictureFormat kFormats[] = {
      torvane::PictureFormat::Bitmap, torvane::PictureFormat::Icon, torvane::PictureFormat::Metafile,
      torvane::PictureFormat::EnhancedMetafile};
  const torvane::PictureFormat format = kFormats[data[0] % 4];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    const torvane::Picture picture = torvane::DecodePicture(format, file);
    if (picture.Width < 0 || picture.Height < 0) std::abort();
    const bool metafile = format == torvane::PictureFormat::Metafile ||
                          format == torvane::PictureFormat::EnhancedMetafile;
    if (metafile) {
      if (!picture.Pixels.empty() || !picture.MetafileBytes || *picture.MetafileBytes != file) std::abort();
    } else {
      const auto pixels = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
      if (pixels == 0 || picture.Pixels.size() != pixels) std::abort();
    }
  } catch (const torvane::ScriptError&) {
  }
  return 0;
}
