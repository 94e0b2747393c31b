#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QCursor>
#include <QImage>

#include "pictures/picture.hpp"

namespace torvane::qt {

// The scene picture as drawn, kept for as long as the model shows the same
// picture object; a metafile is rendered once, not on every paint.
class ScenePictureCache {
 public:
  // `resolution`: device pixels per picture pixel (see RenderPicture).
  const QImage& Image(const std::shared_ptr<const Picture>& picture, qreal resolution = 1.0) const;

 private:
  mutable std::shared_ptr<const Picture> picture_;
  mutable qreal resolution_ = 1.0;
  mutable QImage image_;
};

// The pictures the program carries rather than the game: the title and the
// speaker portraits, read from the compiled-in resources. Portraits are
// decoded when first drawn, so start-up reads the title alone.
class FormAssets {
 public:
  static constexpr int kPortraits = 11;

  ScenePictureCache Scene;

  // The title picture, 632 x 426; decoded again when drawn after a release.
  const QImage& Title() const;
  // A game hides the title for good once it starts; its megabyte need not
  // stay for the rest of the run.
  void ReleaseTitle() { title_.reset(); }
  bool HoldsTitle() const { return title_.has_value(); }

  // Portrait 0 to 10, or a null image for any other number. Decoded with
  // the game's own bitmap decoder, so a 5-5-5 portrait shows exactly the
  // colours a game's bitmap would.
  const QImage& Portrait(int number) const;

 private:
  mutable std::optional<QImage> title_;
  mutable std::array<std::optional<QImage>, kPortraits> portraits_;
};

FormAssets LoadFormAssets();

// A decoded picture's pixels as an image of the same size. The image keeps
// the pixel buffer itself: pass a picture that is no longer needed with
// std::move and nothing is copied.
QImage ImageFromPixels(Picture picture);

// A monochrome cursor as stored in a .cur file: one byte per pixel, rows
// from the top. AND 1 / XOR 0 is transparent, AND 0 black (XOR 0) or white
// (XOR 1), AND 1 / XOR 1 inverts the screen.
struct CursorMasks {
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
  std::vector<std::uint8_t> And;
  std::vector<std::uint8_t> Xor;
};

// The first image of a .cur file, when it is a 1-bit uncompressed one.
std::optional<CursorMasks> ParseMonochromeCursor(std::string_view file_bytes);

// X11 cursors cannot invert the screen: inverted pixels are drawn black
// and every transparent pixel touching one white, so the shape stays
// readable on any background.
// `scale` enlarges it by whole pixels, hot spot included, for a scaled view.
QCursor CursorFromMasks(const CursorMasks& masks, int scale = 1);

// The waiting cursor "OSE01" from the resources.
QCursor WaitCursor(int scale = 1);

}  // namespace torvane::qt
