#include "pictures/picture.hpp"

#include <string>

#include "platform/script_error.hpp"
#include "pictures/decoders.hpp"
#include "platform/ascii.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

// The bytes after the last dot of the last path component. The name is
// code page 932, where 0x5C can be the second byte of a character rather
// than a separator, so the scan steps over double-byte characters.
BytesView ExtensionOf(BytesView name) {
  std::size_t dot = BytesView::npos;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (platform::IsCp932LeadByte(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' || c == '\\') {
      dot = BytesView::npos;
    } else if (c == '.') {
      dot = i;
    }
  }
  return dot == BytesView::npos ? BytesView{} : name.substr(dot + 1);
}

[[noreturn]] void Raise(std::string_view utf8) { throw ScriptError(platform::Utf8ToCp932(utf8)); }

}  // namespace

namespace pictures {

void ThrowBrokenBitmap() { Raise("ビットマップイメージが不正です"); }
void ThrowBrokenIcon() { Raise("アイコンイメージが不正です"); }
void ThrowBrokenMetafile() { Raise("メタファイルが不正です"); }

}  // namespace pictures

PictureFormat PictureFormatForName(BytesView file_name) {
  const BytesView extension = ExtensionOf(file_name);
  if (EqualsIgnoringAsciiCase(extension, "bmp")) return PictureFormat::Bitmap;
  if (EqualsIgnoringAsciiCase(extension, "ico")) return PictureFormat::Icon;
  if (EqualsIgnoringAsciiCase(extension, "wmf")) return PictureFormat::Metafile;
  if (EqualsIgnoringAsciiCase(extension, "emf")) return PictureFormat::EnhancedMetafile;
  throw ScriptError(platform::Utf8ToCp932("拡張子 .") + Bytes(extension) +
                    platform::Utf8ToCp932(" の画像形式は処理できません"));
}

Picture DecodePicture(PictureFormat format, BytesView file_bytes) {
  switch (format) {
    case PictureFormat::Bitmap:
      return pictures::DecodeBitmapFile(file_bytes);
    case PictureFormat::Icon:
      return pictures::DecodeIconFile(file_bytes);
    case PictureFormat::Metafile:
      return pictures::DecodeWindowsMetafile(file_bytes);
    case PictureFormat::EnhancedMetafile:
      return pictures::DecodeEnhancedMetafile(file_bytes);
  }
  pictures::ThrowBrokenBitmap();
}

}  // namespace torvane
