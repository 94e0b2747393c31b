#include "ui/qt/form_assets.hpp"

#include <algorithm>

#include <QBitmap>
#include <QResource>

#include "pictures/qt/picture_renderer.hpp"
#include "platform/little_endian.hpp"

// Outside any namespace, as the resource initialiser requires.
static void InitTorvaneResources() { Q_INIT_RESOURCE(torvane); }

namespace torvane::qt {
namespace {

// A resource's bytes where the program keeps them. They are stored
// uncompressed, so nothing is inflated or copied; each page is touched
// only when read.
BytesView ResourceBytes(const QString& name) {
  InitTorvaneResources();
  const QResource resource(name);
  if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression) return {};
  return BytesView(reinterpret_cast<const char*>(resource.data()), static_cast<std::size_t>(resource.size()));
}

QImage DecodeResourceBitmap(const QString& name) {
  try {
    return ImageFromPixels(DecodePicture(PictureFormat::Bitmap, ResourceBytes(name)));
  } catch (const std::exception&) {
    return {};  // a broken build; the control then shows the background
  }
}

}  // namespace

const QImage& ScenePictureCache::Image(const std::shared_ptr<const Picture>& picture, qreal resolution) const {
  if (picture != picture_ || resolution != resolution_) {
    picture_ = picture;
    resolution_ = resolution;
    image_ = picture ? RenderPicture(*picture, resolution) : QImage();
  }
  return image_;
}

QImage ImageFromPixels(Picture picture) {
  if (picture.Width <= 0 || picture.Height <= 0 ||
      picture.Pixels.size() != static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height)) {
    return {};
  }
  // Opaque pictures draw faster without an alpha channel.
  const bool opaque = std::all_of(picture.Pixels.begin(), picture.Pixels.end(),
                                  [](std::uint32_t p) { return (p >> 24) == 0xFF; });
  // The image takes over the decoded pixels rather than copying them: a
  // fresh megabyte costs the title's first frame a visible delay.
  using Pixels = std::vector<std::uint32_t>;
  auto* pixels = new Pixels(std::move(picture.Pixels));
  return QImage(
      reinterpret_cast<uchar*>(pixels->data()), picture.Width, picture.Height,
      static_cast<qsizetype>(picture.Width) * 4, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32,
      [](void* owned) { delete static_cast<Pixels*>(owned); }, pixels);
}

FormAssets LoadFormAssets() {
  InitTorvaneResources();
  FormAssets assets;
  assets.Title();  // decoded now, on the thread that loads the assets
  return assets;
}

const QImage& FormAssets::Title() const {
  // The game's own decoder, not Qt's reader: that one would first look
  // through every image format plugin installed.
  if (!title_) title_ = DecodeResourceBitmap(QStringLiteral(":/torvane/title.bmp"));
  return *title_;
}

const QImage& FormAssets::Portrait(int number) const {
  static const QImage kNone;
  if (number < 0 || number >= kPortraits) return kNone;
  auto& portrait = portraits_[static_cast<std::size_t>(number)];
  if (!portrait) {
    portrait = DecodeResourceBitmap(QStringLiteral(":/torvane/portrait%1.bmp").arg(number, 2, 10, QLatin1Char('0')));
  }
  return *portrait;
}

std::optional<CursorMasks> ParseMonochromeCursor(std::string_view b) {
  // ICONDIR (type 2 for cursors), then the first ICONDIRENTRY.
  if (b.size() < 22 || U16At(b, 0) != 0 || U16At(b, 2) != 2 || U16At(b, 4) < 1) return std::nullopt;
  CursorMasks masks;
  masks.HotX = static_cast<int>(U16At(b, 10));
  masks.HotY = static_cast<int>(U16At(b, 12));
  const std::size_t size = U32At(b, 14);
  const std::size_t offset = U32At(b, 18);
  if (offset > b.size() || size > b.size() - offset || size < 40) return std::nullopt;
  const std::string_view dib = b.substr(offset, size);
  const std::uint32_t header = U32At(dib, 0);
  const auto width = static_cast<std::int32_t>(U32At(dib, 4));
  const auto height = static_cast<std::int32_t>(U32At(dib, 8)) / 2;  // XOR and AND masks stacked
  if (header < 40 || U16At(dib, 14) != 1 || U32At(dib, 16) != 0 || width <= 0 || width > 256 || height <= 0 ||
      height > 256) {
    return std::nullopt;
  }
  std::size_t colours = U32At(dib, 32);
  if (colours == 0) colours = 2;
  const std::size_t stride = static_cast<std::size_t>((width + 31) / 32) * 4;
  const std::size_t xor_at = header + colours * 4;
  const std::size_t and_at = xor_at + stride * static_cast<std::size_t>(height);
  if (and_at + stride * static_cast<std::size_t>(height) > dib.size()) return std::nullopt;
  masks.Width = width;
  masks.Height = height;
  masks.And.resize(static_cast<std::size_t>(width * height));
  masks.Xor.resize(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    const std::size_t row = static_cast<std::size_t>(height - 1 - y) * stride;  // bottom-up
    for (int x = 0; x < width; ++x) {
      const auto bit = [&](std::size_t at) {
        return static_cast<std::uint8_t>((static_cast<unsigned char>(dib[at + row + static_cast<std::size_t>(x / 8)]) >>
                                          (7 - x % 8)) & 1);
      };
      masks.And[static_cast<std::size_t>(y * width + x)] = bit(and_at);
      masks.Xor[static_cast<std::size_t>(y * width + x)] = bit(xor_at);
    }
  }
  return masks;
}

QCursor CursorFromMasks(const CursorMasks& m, int scale) {
  // QBitmap::fromImage takes black as 1 and white as 0.
  QImage shape(m.Width, m.Height, QImage::Format_RGB32);
  QImage mask(m.Width, m.Height, QImage::Format_RGB32);
  shape.fill(Qt::white);
  mask.fill(Qt::white);
  const auto at = [&](int x, int y) { return static_cast<std::size_t>(y * m.Width + x); };
  const auto inverted = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < m.Width && y < m.Height && m.And[at(x, y)] && m.Xor[at(x, y)];
  };
  for (int y = 0; y < m.Height; ++y) {
    for (int x = 0; x < m.Width; ++x) {
      const bool and_bit = m.And[at(x, y)] != 0;
      const bool xor_bit = m.Xor[at(x, y)] != 0;
      bool opaque = !and_bit;
      bool black = !and_bit && !xor_bit;
      if (and_bit && xor_bit) {
        opaque = black = true;
      } else if (and_bit) {
        for (int dy = -1; dy <= 1 && !opaque; ++dy) {
          for (int dx = -1; dx <= 1 && !opaque; ++dx) opaque = inverted(x + dx, y + dy);
        }
      }
      if (black) shape.setPixel(x, y, qRgb(0, 0, 0));
      if (opaque) mask.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  if (scale > 1) {
    // Whole pixels repeated: a two-colour cursor has nothing to smooth.
    shape = shape.scaled(shape.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    mask = mask.scaled(mask.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  } else {
    scale = 1;
  }
  return QCursor(QBitmap::fromImage(shape, Qt::MonoOnly | Qt::ThresholdDither),
                 QBitmap::fromImage(mask, Qt::MonoOnly | Qt::ThresholdDither), m.HotX * scale, m.HotY * scale);
}

QCursor WaitCursor(int scale) {
  const auto masks = ParseMonochromeCursor(ResourceBytes(QStringLiteral(":/torvane/OSE01.cur")));
  return masks ? CursorFromMasks(*masks, scale) : QCursor(Qt::WaitCursor);
}

}  // namespace torvane::qt
