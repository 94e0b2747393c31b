#include "media/silent_media.hpp"

#include <filesystem>

#include "platform/script_error.hpp"

namespace torvane {
namespace {

bool IsReadableFile(const platform::GameFolder& folder, BytesView file) {
  auto path = folder.Resolve(file);
  std::error_code error;
  return path && std::filesystem::is_regular_file(*path, error);
}

}  // namespace

void SilentMusic::Open(BytesView file) {
  Close();
  if (!IsReadableFile(folder_, file)) throw ScriptError(error_text::CannotOpenMusic(file));
  open_ = true;
}

bool SilentSound::Play(BytesView file) { return IsReadableFile(folder_, file); }

}  // namespace torvane
