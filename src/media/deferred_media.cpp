#include "media/deferred_media.hpp"

#include "media/silent_media.hpp"

namespace torvane {

// Until the devices exist nothing plays, so asking whether music plays,
// stopping and closing need not make them.
class DeferredMedia::LateMusic final : public MusicDevice {
 public:
  explicit LateMusic(DeferredMedia& media) : media_(media) {}
  bool IsPlaying() override { return Made() && Made()->IsPlaying(); }
  void Stop() override {
    if (Made()) Made()->Stop();
  }
  void Open(BytesView file) override { Device().Open(file); }
  void Play() override { Device().Play(); }
  void Close() override {
    if (Made()) Made()->Close();
  }
  std::int64_t ReleaseWhenQuiet() override { return Made() ? Made()->ReleaseWhenQuiet() : 0; }
  void OnPlayedOut(std::function<void()> notice) override {
    media_.played_out_ = notice;
    if (Made()) Made()->OnPlayedOut(std::move(notice));
  }
  void SetVolume(int percent) override {
    media_.music_volume_ = percent;
    if (Made()) Made()->SetVolume(percent);
  }
  void ChooseSoundfont(const std::string& path) override {
    media_.soundfont_ = path;
    if (Made()) Made()->ChooseSoundfont(path);
  }
  void OnSilentMidi(std::function<void(const std::string&)> notice) override {
    media_.silent_midi_ = notice;
    if (Made()) Made()->OnSilentMidi(std::move(notice));
  }

 private:
  MusicDevice* Made() const { return media_.devices_.Music.get(); }
  MusicDevice& Device() {
    media_.MakeDevices();
    return *media_.devices_.Music;
  }
  DeferredMedia& media_;
};

class DeferredMedia::LateSound final : public SoundDevice {
 public:
  explicit LateSound(DeferredMedia& media) : media_(media) {}
  bool Play(BytesView file) override {
    media_.MakeDevices();
    return media_.devices_.Sounds->Play(file);
  }
  void SetVolume(int percent) override {
    media_.effects_volume_ = percent;
    if (media_.devices_.Sounds) media_.devices_.Sounds->SetVolume(percent);
  }

 private:
  DeferredMedia& media_;
};

DeferredMedia::DeferredMedia(MediaFactory factory, const platform::GameFolder& folder, const platform::Clock& clock)
    : factory_(std::move(factory)),
      folder_(folder),
      clock_(clock),
      music_(std::make_unique<LateMusic>(*this)),
      sounds_(std::make_unique<LateSound>(*this)) {}

DeferredMedia::~DeferredMedia() = default;

MusicDevice& DeferredMedia::Music() { return *music_; }

SoundDevice& DeferredMedia::Sounds() { return *sounds_; }

void DeferredMedia::MakeDevices() {
  if (devices_.Music) return;
  if (factory_) devices_ = factory_(folder_, clock_);
  if (!devices_.Music) devices_.Music = std::make_unique<SilentMusic>(folder_);
  if (!devices_.Sounds) devices_.Sounds = std::make_unique<SilentSound>(folder_);
  if (played_out_) devices_.Music->OnPlayedOut(played_out_);
  if (music_volume_) devices_.Music->SetVolume(*music_volume_);
  if (soundfont_) devices_.Music->ChooseSoundfont(*soundfont_);
  if (silent_midi_) devices_.Music->OnSilentMidi(silent_midi_);
  if (effects_volume_) devices_.Sounds->SetVolume(*effects_volume_);
}

}  // namespace torvane
