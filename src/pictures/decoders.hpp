#pragma once

#include "platform/bytes.hpp"
#include "pictures/picture.hpp"

// The decoders behind DecodePicture, one per format. Each raises its
// format's "broken file" ScriptError.
namespace torvane::pictures {

[[noreturn]] void ThrowBrokenBitmap();
[[noreturn]] void ThrowBrokenIcon();
[[noreturn]] void ThrowBrokenMetafile();

Picture DecodeBitmapFile(BytesView file_bytes);
Picture DecodeIconFile(BytesView file_bytes);
Picture DecodeWindowsMetafile(BytesView file_bytes);
Picture DecodeEnhancedMetafile(BytesView file_bytes);

}  // namespace torvane::pictures
