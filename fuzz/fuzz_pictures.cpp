// Feeds arbitrary bytes to the picture decoders. The first byte picks the
// format; the rest is the file. A broken file must raise ScriptError and
// nothing else; a decoded picture must be as large as it says. Enhanced
// metafiles go through libemf2svg here, so the checks made before calling
// it are fuzzed with it.
//
// Built with -DTORVANE_FUZZ_RENDER (and Qt), every picture the decoders
// accept is also drawn by the window's renderer, which must never fail:
// the Windows metafile player and the SVG layers get the same inputs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/script_error.hpp"
#include "pictures/picture.hpp"

#ifdef TORVANE_FUZZ_RENDER
#include <QGuiApplication>
#include <QImage>

#include "pictures/qt/picture_renderer.hpp"
#endif

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

#ifdef TORVANE_FUZZ_RENDER
// A metafile is drawn only as far as the scene control shows it, so even
// a huge one costs no more than a small one.
void Render(const torvane::Picture& picture) {
  static int argc = 1;
  static char name[] = "fuzz_pictures";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  const QImage image = torvane::qt::RenderPicture(picture);
  // A picture with no area is a null image.
  const bool metafile = picture.Format == torvane::PictureFormat::Metafile ||
                        picture.Format == torvane::PictureFormat::EnhancedMetafile;
  const QSize size = metafile ? torvane::qt::ShownSize(picture) : QSize(picture.Width, picture.Height);
  const QSize expected = size.width() > 0 && size.height() > 0 ? size : QSize(0, 0);
  if (image.size() != expected) std::abort();
}
#endif

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
      if (picture.Width > torvane::kMaxMetafileSide || picture.Height > torvane::kMaxMetafileSide) std::abort();
      const bool converted = picture.Svg && picture.SvgLayers;
      if (converted != (format == torvane::PictureFormat::EnhancedMetafile)) std::abort();
      // The converter's marker text never reaches the drawing.
      if (converted && picture.Svg->find("\xEF\xB7\x90") != std::string::npos) std::abort();
    } else {
      // A bitmap or an icon is held whole, so its size is bounded.
      const auto pixels = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
      if (pixels == 0 || picture.Pixels.size() != pixels) std::abort();
      if (static_cast<std::int64_t>(pixels) > torvane::kMaxPicturePixels) std::abort();
    }
#ifdef TORVANE_FUZZ_RENDER
    Render(picture);
#endif
  } catch (const torvane::ScriptError&) {
  }
  return 0;
}
