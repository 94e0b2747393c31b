#pragma once

#include <cstdint>
#include <optional>

#include "platform/bytes.hpp"

namespace torvane::reading {

// The ways of reading that act for the player. None of them changes what
// the game does: they press where a message waits, exactly as a left press
// on the message area would, or run the game's clock faster. A command
// list, the item dialog, a box or an error is never pressed through.
enum class Mode { Fast, Skip, Auto };

// The transcript's and the settings' name of a mode: "fast", "skip", "auto".
const char* ModeName(Mode mode);

struct ModeSettings {
  static constexpr int kDefaultFastSpeed = 8;
  static constexpr int kMaxFastSpeed = 64;
  static constexpr std::int64_t kDefaultAutoBaseMs = 1000;
  static constexpr std::int64_t kDefaultAutoCharMs = 60;

  // How many times faster the game's clock runs under fast-forward and skip.
  int FastSpeed = kDefaultFastSpeed;
  // Auto-advance waits this, plus so much a character, on the player's clock.
  std::int64_t AutoBaseMs = kDefaultAutoBaseMs;
  std::int64_t AutoCharMs = kDefaultAutoCharMs;
};

// Fast-forward and skip press this long after a message appears, on the
// game's clock: less than the tick's 50 ms, so the step after the message
// comes on the very tick it would after an instant press, and only the
// clock's speed tells the run apart from one pressed by hand.
inline constexpr std::int64_t kFastPressMs = 40;

// A message or a page as the game showed it.
struct ShownText {
  enum class Kind { Message, Page };
  Kind What = Kind::Message;
  std::int64_t Characters = 0;  // line feeds aside, a double-byte character as one
  bool Seen = false;            // shown in an earlier run or earlier in this one
  std::int64_t ShownAtMs = 0;   // on the game's clock
};

// A press for the player: which mode makes it, and when on the game's clock.
struct Press {
  Mode By;
  std::int64_t AtMs;
};

// Characters of code page 932 text, line feeds and carriage returns aside.
std::int64_t CharacterCount(BytesView cp932);

// Which modes are on, and what they decide. Fast-forward is on while held
// or toggled; skip runs as fast-forward does, through seen text only, and
// switches itself off at the first text not seen before.
class ReadingModes {
 public:
  ModeSettings Settings;

  void SetFastHeld(bool on) { fast_held_ = on; }
  void SetFastToggled(bool on) { fast_toggled_ = on; }
  void SetSkip(bool on) { skip_ = on; }
  void SetAuto(bool on) { auto_ = on; }
  bool FastHeld() const { return fast_held_; }
  bool FastToggled() const { return fast_toggled_; }
  bool Fast() const { return fast_held_ || fast_toggled_; }
  bool Skip() const { return skip_; }
  bool Auto() const { return auto_; }
  bool AnyOn() const { return Fast() || skip_ || auto_; }

  // How many times faster than the player's clock the game's runs now.
  int Speed() const;

  // The game shows `text`: skip ends at text not seen before. True when
  // that switched skip off.
  bool Showing(const ShownText& text);

  // The next press for the player while `message` waits and a press on the
  // message area would answer it; none when no mode presses it. A press
  // already due has an AtMs in the past.
  std::optional<Press> NextPress(const ShownText& message) const;

 private:
  bool fast_held_ = false;
  bool fast_toggled_ = false;
  bool skip_ = false;
  bool auto_ = false;
};

}  // namespace torvane::reading
