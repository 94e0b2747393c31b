#pragma once

#include <QString>
#include <QStringList>

namespace torvane::qt {

// What a player sets and the player keeps between runs, in an INI file
// (QSettings' format). Nothing here changes what a game does: these are
// the window's size, drawing and sound levels, and the games opened.
// A file that cannot be read or holds values that make no sense is not
// used: every setting starts at its default, Problem() says why, and the
// next change writes a sound file in its place.
class PlayerSettings {
 public:
  static constexpr int kFitToScreen = 0;
  static constexpr int kMaxScale = 4;
  static constexpr int kMaxRecentGames = 8;
  static constexpr int kMaxFastSpeed = 64;
  static constexpr int kMaxAutoBaseMs = 60000;
  static constexpr int kMaxAutoCharMs = 1000;

  // `file` empty: the defaults, kept in memory only.
  explicit PlayerSettings(QString file = {});

  // $XDG_CONFIG_HOME/torvane/torvane.conf (~/.config when unset).
  static QString DefaultFile();

  const QString& File() const { return file_; }
  // Why the file's contents were not used; empty when they were.
  const QString& Problem() const { return problem_; }

  // 1 to 4, or kFitToScreen.
  int Scale() const { return values_.Scale; }
  void SetScale(int scale);
  bool Fullscreen() const { return values_.Fullscreen; }
  void SetFullscreen(bool on);
  // Bitmaps, portraits and the title scaled smoothly rather than by
  // repeating pixels; text and metafiles are drawn at full resolution
  // either way.
  bool Smooth() const { return values_.Smooth; }
  void SetSmooth(bool on);

  // Percentages, 0 to 100.
  int MusicVolume() const { return values_.MusicVolume; }
  void SetMusicVolume(int percent);
  int EffectsVolume() const { return values_.EffectsVolume; }
  void SetEffectsVolume(int percent);
  bool Muted() const { return values_.Muted; }
  void SetMuted(bool on);
  bool MuteInBackground() const { return values_.MuteInBackground; }
  void SetMuteInBackground(bool on);
  // A chosen .sf2 or .sf3 file; empty for the usual search.
  const QString& Soundfont() const { return values_.Soundfont; }
  void SetSoundfont(const QString& path);

  // Each message and page copied to the clipboard, and read aloud, as it
  // appears.
  bool CopyText() const { return values_.CopyText; }
  void SetCopyText(bool on);
  bool SpeakText() const { return values_.SpeakText; }
  void SetSpeakText(bool on);
  // The reading modes: how many times as fast fast-forward and skip run
  // the game's clock (1 to 64), and how long auto-advance lets a message
  // stand: a base and so much a character, in milliseconds.
  int FastSpeed() const { return values_.FastSpeed; }
  void SetFastSpeed(int speed);
  int AutoBaseMs() const { return values_.AutoBaseMs; }
  int AutoCharMs() const { return values_.AutoCharMs; }
  void SetAutoDelay(int base_ms, int char_ms);

  // Game folders, the last opened first.
  const QStringList& RecentGames() const { return values_.RecentGames; }
  void AddRecentGame(const QString& folder);

 private:
  struct Values {
    int Scale = 1;
    bool Fullscreen = false;
    bool Smooth = false;
    int MusicVolume = 100;
    int EffectsVolume = 100;
    bool Muted = false;
    bool MuteInBackground = false;
    QString Soundfont;
    bool CopyText = false;
    bool SpeakText = false;
    int FastSpeed = 8;
    int AutoBaseMs = 1000;
    int AutoCharMs = 60;
    QStringList RecentGames;
  };

  void Load();
  void Save();

  QString file_;
  QString problem_;
  Values values_;
};

}  // namespace torvane::qt
