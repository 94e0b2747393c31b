#include "ui/qt/text_voicing.hpp"

#include <cstdio>

#include <QClipboard>
#include <QGuiApplication>
#include <QTextToSpeech>

#include "history/entry_text.hpp"

namespace torvane::qt {

void TextVoicing::SetSpeaking(bool on) {
  speaking_ = on;
  if (on && !voice_sought_) FindVoice();
  if (!on && speech_) speech_->stop();
}

// Once a run: asking an engine for its voices can take a while.
void TextVoicing::FindVoice() {
  voice_sought_ = true;
  if (QTextToSpeech::availableEngines().isEmpty()) {
    std::fprintf(stderr, "torvane: no speech engine is installed; messages are not read aloud\n");
    return;
  }
  auto* speech = new QTextToSpeech(this);
  if (speech->state() == QTextToSpeech::Error) {
    std::fprintf(stderr, "torvane: the speech engine does not start (%s); messages are not read aloud\n",
                 speech->errorString().toLocal8Bit().constData());
    delete speech;
    return;
  }
  for (const QLocale& locale : speech->availableLocales()) {
    if (locale.language() != QLocale::Japanese) continue;
    speech->setLocale(locale);
    for (const QVoice& voice : speech->availableVoices()) {
      if (voice.locale().language() == QLocale::Japanese) {
        speech->setVoice(voice);
        break;
      }
    }
    speech_ = speech;
    return;
  }
  std::fprintf(stderr, "torvane: the speech engine has no Japanese voice; messages are not read aloud\n");
  delete speech;
}

void TextVoicing::Show(const HistoryEntry& entry) {
  if (entry.Kind != HistoryKind::Message && entry.Kind != HistoryKind::Page) return;
  if (!copying_ && !speaking_) return;
  const QString text = QString::fromStdString(ShownText(entry));
  if (text.isEmpty()) return;
  if (copying_) QGuiApplication::clipboard()->setText(text);
  if (speaking_) {
    last_spoken_ = text;
    // A new message interrupts the one being read.
    if (speech_) speech_->say(text);
  }
}

}  // namespace torvane::qt
