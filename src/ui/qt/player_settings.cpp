#include "ui/qt/player_settings.hpp"

#include <algorithm>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

namespace torvane::qt {
namespace {

constexpr const char* kScale = "view/scale";
constexpr const char* kFullscreen = "view/fullscreen";
constexpr const char* kSmooth = "view/smooth";
constexpr const char* kMusicVolume = "sound/music_volume";
constexpr const char* kEffectsVolume = "sound/effects_volume";
constexpr const char* kMuted = "sound/mute";
constexpr const char* kMuteInBackground = "sound/mute_in_background";
constexpr const char* kSoundfont = "sound/soundfont";
constexpr const char* kRecentGames = "games/recent";
constexpr const char* kCopyText = "text/clipboard";
constexpr const char* kSpeakText = "text/speech";
constexpr const char* kFastSpeed = "reading/fast_speed";
constexpr const char* kAutoBaseMs = "reading/auto_base_ms";
constexpr const char* kAutoCharMs = "reading/auto_char_ms";

// A value as written by Save, or nothing: any other text is damage.
std::optional<int> IntIn(const QSettings& file, const char* key, int low, int high) {
  if (!file.contains(QLatin1String(key))) return std::nullopt;
  bool ok = false;
  const int value = file.value(QLatin1String(key)).toString().toInt(&ok);
  if (!ok || value < low || value > high) throw QString::fromLatin1(key);
  return value;
}

std::optional<bool> BoolIn(const QSettings& file, const char* key) {
  if (!file.contains(QLatin1String(key))) return std::nullopt;
  const QString text = file.value(QLatin1String(key)).toString();
  if (text == QLatin1String("true")) return true;
  if (text == QLatin1String("false")) return false;
  throw QString::fromLatin1(key);
}

int Percent(int value) { return std::clamp(value, 0, 100); }

// QSettings reads nearly anything as some keys; text that is not UTF-8, or
// holds control characters, was not written by a settings file's writer.
bool LooksLikeText(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(bytes);
  if (decoder.hasError()) return false;
  return std::none_of(text.begin(), text.end(), [](QChar c) {
    return c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\t');
  });
}

}  // namespace

PlayerSettings::PlayerSettings(QString file) : file_(std::move(file)) {
  if (!file_.isEmpty()) Load();
}

QString PlayerSettings::DefaultFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/torvane/torvane.conf");
}

void PlayerSettings::Load() {
  if (!QFileInfo::exists(file_)) return;
  QFile raw(file_);
  if (QFileInfo(file_).isFile() && raw.open(QIODevice::ReadOnly) && !LooksLikeText(raw.readAll())) {
    problem_ = QStringLiteral("%1 is not a settings file").arg(file_);
    return;
  }
  QSettings file(file_, QSettings::IniFormat);
  if (file.status() == QSettings::AccessError) {
    problem_ = QStringLiteral("%1 cannot be read").arg(file_);
    return;
  }
  if (file.status() == QSettings::FormatError) {
    problem_ = QStringLiteral("%1 is not a settings file").arg(file_);
    return;
  }
  Values read;
  try {
    if (auto v = IntIn(file, kScale, kFitToScreen, kMaxScale)) read.Scale = *v;
    if (auto v = BoolIn(file, kFullscreen)) read.Fullscreen = *v;
    if (auto v = BoolIn(file, kSmooth)) read.Smooth = *v;
    if (auto v = IntIn(file, kMusicVolume, 0, 100)) read.MusicVolume = *v;
    if (auto v = IntIn(file, kEffectsVolume, 0, 100)) read.EffectsVolume = *v;
    if (auto v = BoolIn(file, kMuted)) read.Muted = *v;
    if (auto v = BoolIn(file, kMuteInBackground)) read.MuteInBackground = *v;
    if (auto v = BoolIn(file, kCopyText)) read.CopyText = *v;
    if (auto v = BoolIn(file, kSpeakText)) read.SpeakText = *v;
    if (auto v = IntIn(file, kFastSpeed, 1, kMaxFastSpeed)) read.FastSpeed = *v;
    if (auto v = IntIn(file, kAutoBaseMs, 0, kMaxAutoBaseMs)) read.AutoBaseMs = *v;
    if (auto v = IntIn(file, kAutoCharMs, 0, kMaxAutoCharMs)) read.AutoCharMs = *v;
    read.Soundfont = file.value(QLatin1String(kSoundfont)).toString();
    read.RecentGames = file.value(QLatin1String(kRecentGames)).toStringList();
    read.RecentGames.removeAll(QString());
    while (read.RecentGames.size() > kMaxRecentGames) read.RecentGames.removeLast();
  } catch (const QString& key) {
    problem_ = QStringLiteral("%1: %2 has a value that makes no sense").arg(file_, key);
    return;
  }
  values_ = read;
}

void PlayerSettings::Save() {
  if (file_.isEmpty()) return;
  QDir().mkpath(QFileInfo(file_).absolutePath());
  // A damaged file is replaced whole rather than patched.
  if (!problem_.isEmpty()) {
    QFile::remove(file_);
    problem_.clear();
  }
  QSettings file(file_, QSettings::IniFormat);
  file.setValue(QLatin1String(kScale), values_.Scale);
  file.setValue(QLatin1String(kFullscreen), values_.Fullscreen);
  file.setValue(QLatin1String(kSmooth), values_.Smooth);
  file.setValue(QLatin1String(kMusicVolume), values_.MusicVolume);
  file.setValue(QLatin1String(kEffectsVolume), values_.EffectsVolume);
  file.setValue(QLatin1String(kMuted), values_.Muted);
  file.setValue(QLatin1String(kMuteInBackground), values_.MuteInBackground);
  file.setValue(QLatin1String(kSoundfont), values_.Soundfont);
  file.setValue(QLatin1String(kCopyText), values_.CopyText);
  file.setValue(QLatin1String(kSpeakText), values_.SpeakText);
  file.setValue(QLatin1String(kFastSpeed), values_.FastSpeed);
  file.setValue(QLatin1String(kAutoBaseMs), values_.AutoBaseMs);
  file.setValue(QLatin1String(kAutoCharMs), values_.AutoCharMs);
  file.setValue(QLatin1String(kRecentGames), values_.RecentGames);
  file.sync();
}

void PlayerSettings::SetScale(int scale) {
  values_.Scale = std::clamp(scale, kFitToScreen, kMaxScale);
  Save();
}

void PlayerSettings::SetFullscreen(bool on) {
  values_.Fullscreen = on;
  Save();
}

void PlayerSettings::SetSmooth(bool on) {
  values_.Smooth = on;
  Save();
}

void PlayerSettings::SetMusicVolume(int percent) {
  values_.MusicVolume = Percent(percent);
  Save();
}

void PlayerSettings::SetEffectsVolume(int percent) {
  values_.EffectsVolume = Percent(percent);
  Save();
}

void PlayerSettings::SetMuted(bool on) {
  values_.Muted = on;
  Save();
}

void PlayerSettings::SetMuteInBackground(bool on) {
  values_.MuteInBackground = on;
  Save();
}

void PlayerSettings::SetSoundfont(const QString& path) {
  values_.Soundfont = path;
  Save();
}

void PlayerSettings::SetCopyText(bool on) {
  values_.CopyText = on;
  Save();
}

void PlayerSettings::SetSpeakText(bool on) {
  values_.SpeakText = on;
  Save();
}

void PlayerSettings::SetFastSpeed(int speed) {
  values_.FastSpeed = std::clamp(speed, 1, kMaxFastSpeed);
  Save();
}

void PlayerSettings::SetAutoDelay(int base_ms, int char_ms) {
  values_.AutoBaseMs = std::clamp(base_ms, 0, kMaxAutoBaseMs);
  values_.AutoCharMs = std::clamp(char_ms, 0, kMaxAutoCharMs);
  Save();
}

void PlayerSettings::AddRecentGame(const QString& folder) {
  const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  values_.RecentGames.removeAll(clean);
  values_.RecentGames.prepend(clean);
  while (values_.RecentGames.size() > kMaxRecentGames) values_.RecentGames.removeLast();
  Save();
}

}  // namespace torvane::qt
