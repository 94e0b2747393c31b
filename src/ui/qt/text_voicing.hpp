#pragma once

#include <QObject>
#include <QString>

#include "history/history.hpp"

class QTextToSpeech;

namespace torvane::qt {

// Gives each message and narration page, as it appears, to the clipboard
// and to speech, as the player asked: for learners' dictionary tools and
// for players who listen. Neither changes anything of the game. Speech
// uses Qt TextToSpeech's default engine with a Japanese voice; with no
// engine or no Japanese voice it says so once on standard error and stays
// silent.
class TextVoicing final : public QObject {
 public:
  explicit TextVoicing(QObject* parent) : QObject(parent) {}

  void SetCopying(bool on) { copying_ = on; }
  bool Copying() const { return copying_; }
  void SetSpeaking(bool on);
  bool Speaking() const { return speaking_; }
  // Whether speech found an engine with a Japanese voice; false until it
  // was first switched on.
  bool CanSpeak() const { return speech_ != nullptr; }

  // A new entry of the history; choices are neither copied nor read.
  void Show(const HistoryEntry& entry);
  // What was last given to speech, for tests without an engine.
  const QString& LastSpoken() const { return last_spoken_; }

 private:
  void FindVoice();

  bool copying_ = false;
  bool speaking_ = false;
  bool voice_sought_ = false;
  QTextToSpeech* speech_ = nullptr;
  QString last_spoken_;
};

}  // namespace torvane::qt
