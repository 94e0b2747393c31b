#include "media/sdl/effect_decoder.hpp"

#include <fluidsynth.h>
#include <libmodplug/modplug.h>
#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "media/sdl/midi_track.hpp"
#include "media/sdl/soundfonts.hpp"

namespace torvane::sdl {
namespace {

struct MixerFormat {
  int freq = 0;
  Uint16 format = 0;
  int channels = 0;
  int FrameBytes() const { return SDL_AUDIO_BITSIZE(format) / 8 * channels; }
};

MixerFormat QueryMixer() {
  MixerFormat mixer;
  Mix_QuerySpec(&mixer.freq, &mixer.format, &mixer.channels);
  return mixer;
}

SDL_RWops* ReadFrom(std::string_view bytes) { return SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())); }

// The bytes as an SDL stream, closed here: SDL_mixer 2.6 leaks a source it
// was told to close when an Ogg header turns out broken.
struct CloseSource {
  void operator()(SDL_RWops* source) const { SDL_RWclose(source); }
};
using SourcePtr = std::unique_ptr<SDL_RWops, CloseSource>;

// Today's loader, for an effect known to fit the cut.
ChunkPtr LoadWhole(std::string_view bytes) {
  const SourcePtr source(ReadFrom(bytes));
  return ChunkPtr(source ? Mix_LoadWAV_RW(source.get(), 0) : nullptr);
}

// The cut in the mixer's format, filled by converting decoded audio as it
// comes, so that only the cut itself is ever held, whatever the source rate.
class CutChunk {
 public:
  CutChunk(SDL_AudioFormat format, int channels, int rate) : mixer_(QueryMixer()), size_(EffectCutBytes()) {
    if (channels <= 0 || channels > 255 || rate <= 0) return;
    stream_ = SDL_NewAudioStream(format, static_cast<Uint8>(channels), rate, mixer_.format,
                                 static_cast<Uint8>(mixer_.channels), mixer_.freq);
    if (stream_ != nullptr) buffer_ = static_cast<Uint8*>(SDL_malloc(size_));
  }
  ~CutChunk() {
    if (stream_ != nullptr) SDL_FreeAudioStream(stream_);
    SDL_free(buffer_);
  }
  CutChunk(const CutChunk&) = delete;
  CutChunk& operator=(const CutChunk&) = delete;

  bool Valid() const { return buffer_ != nullptr; }
  bool Full() const { return filled_ == size_; }

  // `bytes` whole frames in the source format; false once the cut is full.
  bool Put(const void* data, int bytes) {
    if (!Valid() || Full() || SDL_AudioStreamPut(stream_, data, bytes) < 0) return false;
    Drain();
    return !Full();
  }

  // The chunk, with the resampler's last frames flushed and, should the
  // source end early, silence up to the cut: its length is always the cut.
  ChunkPtr Release() {
    if (!Valid()) return nullptr;
    SDL_AudioStreamFlush(stream_);
    Drain();
    // The mixer is opened in signed 16 bits (MIX_DEFAULT_FORMAT, no format
    // change allowed), where silence is zero.
    std::memset(buffer_ + filled_, 0, size_ - filled_);
    ChunkPtr chunk(Mix_QuickLoad_RAW(buffer_, size_));
    if (!chunk) return nullptr;
    chunk->allocated = 1;  // Mix_FreeChunk now SDL_frees the buffer
    buffer_ = nullptr;
    return chunk;
  }

 private:
  void Drain() {
    while (!Full() && SDL_AudioStreamAvailable(stream_) > 0) {
      const int got = SDL_AudioStreamGet(stream_, buffer_ + filled_, static_cast<int>(size_ - filled_));
      if (got <= 0) break;
      filled_ += static_cast<Uint32>(got);
    }
  }

  MixerFormat mixer_;
  Uint32 size_;
  SDL_AudioStream* stream_ = nullptr;
  Uint8* buffer_ = nullptr;
  Uint32 filled_ = 0;
};

// What a cutting decoder made of the bytes: `cut` is null when it could not
// read them; `ended` tells the audio ended within the cut (padded with
// silence). `own_end`: the mixer's own decoder ends where this one does.
struct Decoded {
  ChunkPtr cut;
  bool ended = false;
  bool own_end = false;
};

Decoded Finish(CutChunk& cut, bool own_end) {
  const bool ended = !cut.Full();
  return {cut.Release(), ended, own_end};
}

// WAV through SDL's own reader, so that it accepts exactly the files
// Mix_LoadWAV_RW does. It holds the file's samples at most four times the
// file (ADPCM), which kGameFileLimit bounds; only the cut is converted.
ChunkPtr LoadWave(std::string_view bytes) {
  SDL_AudioSpec wav;
  Uint8* samples = nullptr;
  Uint32 length = 0;
  if (SDL_LoadWAV_RW(ReadFrom(bytes), 1, &wav, &samples, &length) == nullptr) return nullptr;
  const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> owned(samples, &SDL_FreeWAV);
  const Uint32 frame = SDL_AUDIO_BITSIZE(wav.format) / 8 * wav.channels;
  if (frame == 0 || length / frame <= Uint64{kEffectCutSeconds} * static_cast<Uint64>(wav.freq)) {
    return LoadWhole(bytes);
  }
  CutChunk cut(wav.format, wav.channels, wav.freq);
  const Uint32 piece = frame * 4096;
  for (Uint32 at = 0; at + frame <= length; at += piece) {
    if (!cut.Put(samples + at, static_cast<int>(std::min(piece, (length - at) / frame * frame)))) break;
  }
  return cut.Release();
}

// libsndfile on the bytes in memory.
struct MemoryFile {
  std::string_view bytes;
  sf_count_t at = 0;
};

sf_count_t MemoryLength(void* file) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(file)->bytes.size()); }

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const sf_count_t size = MemoryLength(user);
  const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file->at : size;
  file->at = std::clamp<sf_count_t>(base + offset, 0, size);
  return file->at;
}

sf_count_t MemoryRead(void* out, sf_count_t count, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const sf_count_t n = std::clamp<sf_count_t>(MemoryLength(user) - file->at, 0, count);
  std::memcpy(out, file->bytes.data() + file->at, static_cast<size_t>(n));
  file->at += n;
  return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t MemoryTell(void* user) { return static_cast<MemoryFile*>(user)->at; }

Decoded CutSampled(std::string_view bytes) {
  SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
  MemoryFile file{bytes};
  SF_INFO info{};
  const std::unique_ptr<SNDFILE, decltype(&sf_close)> sound(sf_open_virtual(&io, SFM_READ, &info, &file), &sf_close);
  if (!sound) return {};
  CutChunk cut(AUDIO_S16SYS, info.channels, info.samplerate);
  if (!cut.Valid()) return {};
  constexpr sf_count_t kFrames = 4096;
  std::vector<short> block(static_cast<size_t>(kFrames * info.channels));
  for (;;) {
    const sf_count_t got = sf_readf_short(sound.get(), block.data(), kFrames);
    if (got <= 0 || !cut.Put(block.data(), static_cast<int>(got * info.channels * 2))) break;
  }
  return Finish(cut, false);
}

// MIDI with FluidSynth as SDL_mixer plays it: a synthesizer of the
// effect's own at the mixer's rate, rendered in the mixer's buffer size
// until the player is done, as the mixer's decoder renders it. The
// soundfont is loaded once per run, on a synthesizer that never plays, and
// lent to each effect's: the same soundfont and a fresh synthesizer give
// the same samples, without reading the file again.
class EffectSynth {
 public:
  EffectSynth() : mixer_(QueryMixer()) {
    fluid_sfont_t* font = Font();
    if (!font) return;
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", mixer_.freq);
    // Render as fast as the CPU goes, not on the wall clock.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (synth_ && fluid_synth_add_sfont(synth_, font) != FLUID_FAILED) font_ = font;
  }
  ~EffectSynth() {
    // Taking the soundfont back resets the presets, which warns of each
    // channel left without one.
    const QuietFluidSynth quiet;
    if (font_) fluid_synth_remove_sfont(synth_, font_);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }
  EffectSynth(const EffectSynth&) = delete;
  EffectSynth& operator=(const EffectSynth&) = delete;

  fluid_synth_t* Synth() const { return font_ ? synth_ : nullptr; }
  const MixerFormat& Mixer() const { return mixer_; }

 private:
  // The soundfont of the effects, made again for another choice.
  static fluid_sfont_t* Font() {
    static fluid_settings_t* settings = nullptr;
    static fluid_synth_t* holder = nullptr;
    static fluid_sfont_t* font = nullptr;
    static int choice = -1;
    if (choice == SoundfontChoice()) return font;
    choice = SoundfontChoice();
    if (holder) delete_fluid_synth(holder);
    if (settings) delete_fluid_settings(settings);
    font = nullptr;
    settings = new_fluid_settings();
    if (!settings) return nullptr;
    // Only what an effect's presets need is read, when it first selects them.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    holder = new_fluid_synth(settings);
    const int id = holder ? LoadSoundfont(holder) : FLUID_FAILED;
    if (id != FLUID_FAILED) font = fluid_synth_get_sfont_by_id(holder, id);
    return font;
  }

  MixerFormat mixer_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_sfont_t* font_ = nullptr;
};

// The mixer's music buffer, in frames (sdl_audio.cpp opens it so).
constexpr int kMixerFrames = 2048;

// One effect at a time: the effects' soundfont is shared.
std::mutex midi_effects;

Decoded CutMidi(std::string_view bytes) {
  const std::lock_guard lock(midi_effects);
  const EffectSynth effect;
  if (!effect.Synth()) return {};
  const std::unique_ptr<fluid_player_t, decltype(&delete_fluid_player)> player(new_fluid_player(effect.Synth()),
                                                                               &delete_fluid_player);
  if (!player || fluid_player_add_mem(player.get(), bytes.data(), bytes.size()) != FLUID_OK ||
      fluid_player_play(player.get()) != FLUID_OK) {
    return {};
  }
  CutChunk cut(AUDIO_S16SYS, 2, effect.Mixer().freq);
  if (!cut.Valid()) return {};
  std::vector<Sint16> block(kMixerFrames * 2);
  while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING) {
    fluid_synth_write_s16(effect.Synth(), kMixerFrames, block.data(), 0, 2, block.data(), 1, 2);
    if (!cut.Put(block.data(), kMixerFrames * 4)) break;
  }
  fluid_player_stop(player.get());
  return Finish(cut, true);
}

// A MIDI effect the effects' synthesizer takes, decoded without the
// mixer: exactly the chunk Mix_LoadWAV_RW makes of it when it ends within
// the cut (the mixer's format is the synthesizer's own), its first
// kEffectCutSeconds otherwise. Nothing when the mixer is to decide: no
// soundfont, another format, or bytes the player refuses.
std::optional<ChunkPtr> LoadMidi(std::string_view bytes) {
  const std::lock_guard lock(midi_effects);
  const EffectSynth effect;
  const MixerFormat& mixer = effect.Mixer();
  if (!effect.Synth() || mixer.format != AUDIO_S16SYS || mixer.channels != 2) return std::nullopt;
  const std::unique_ptr<fluid_player_t, decltype(&delete_fluid_player)> player(new_fluid_player(effect.Synth()),
                                                                               &delete_fluid_player);
  if (!player || fluid_player_add_mem(player.get(), bytes.data(), bytes.size()) != FLUID_OK ||
      fluid_player_play(player.get()) != FLUID_OK) {
    return std::nullopt;
  }
  const Uint32 cut = EffectCutBytes();
  constexpr Uint32 kBlockBytes = kMixerFrames * 4;
  // Grown as it renders: a short effect holds only its own length.
  std::vector<Uint8> samples;
  while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING && samples.size() < cut) {
    samples.resize(samples.size() + kBlockBytes);
    fluid_synth_write_s16(effect.Synth(), kMixerFrames, samples.data() + samples.size() - kBlockBytes, 0, 2,
                          samples.data() + samples.size() - kBlockBytes, 1, 2);
  }
  fluid_player_stop(player.get());
  const Uint32 length = std::min<Uint32>(static_cast<Uint32>(samples.size()), cut);
  auto* buffer = static_cast<Uint8*>(SDL_malloc(std::max<Uint32>(length, 1)));
  if (!buffer) return ChunkPtr();
  std::memcpy(buffer, samples.data(), length);
  ChunkPtr chunk(Mix_QuickLoad_RAW(buffer, length));
  if (!chunk) {
    SDL_free(buffer);
    return ChunkPtr();
  }
  chunk->allocated = 1;  // Mix_FreeChunk now SDL_frees the buffer
  return chunk;
}

// Trackers with libmodplug, whose settings are global and were set by
// SDL_mixer when it opened the bytes: they are read, never changed.
Decoded CutModule(std::string_view bytes) {
  ModPlug_Settings settings;
  ModPlug_GetSettings(&settings);
  const std::unique_ptr<ModPlugFile, decltype(&ModPlug_Unload)> module(
      ModPlug_Load(bytes.data(), static_cast<int>(bytes.size())), &ModPlug_Unload);
  if (!module) return {};
  const SDL_AudioFormat format = settings.mBits == 8 ? AUDIO_U8 : settings.mBits == 32 ? AUDIO_S32SYS : AUDIO_S16SYS;
  CutChunk cut(format, settings.mChannels, settings.mFrequency);
  if (!cut.Valid()) return {};
  std::vector<Uint8> block(16384);
  for (;;) {
    const int got = ModPlug_Read(module.get(), block.data(), static_cast<int>(block.size()));
    if (got <= 0 || !cut.Put(block.data(), got)) break;
  }
  // SDL_mixer may stop a module sooner: it ends music that yields no audio
  // for a few reads in a row.
  return Finish(cut, false);
}

Decoded CutByType(Mix_MusicType type, std::string_view bytes) {
  switch (type) {
    case MUS_MID:
      return CutMidi(bytes);
    case MUS_MOD:
      return CutModule(bytes);
    default:
      return CutSampled(bytes);
  }
}

// Everything Mix_LoadWAV_RW hands to its music decoders. Whether they open
// the bytes decides acceptance. The bytes are then decoded up to the cut:
// only what ends within it goes to Mix_LoadWAV_RW, so that a length a
// header claims is never what bounds the work.
ChunkPtr LoadThroughMusic(std::string_view bytes) {
  if (MidiTrack::IsMidi(bytes)) {
    if (std::optional<ChunkPtr> midi = LoadMidi(bytes)) return std::move(*midi);
  }
  Mix_MusicType type;
  double seconds;
  {
    const SourcePtr source(ReadFrom(bytes));  // outlives the music reading it
    const MusicPtr music(source ? Mix_LoadMUS_RW(source.get(), 0) : nullptr);
    if (!music) {
      // AIFF and VOC have chunk readers of their own, which no music decoder
      // may share; they read PCM no larger than the file.
      const bool own_reader = bytes.compare(0, 4, "FORM") == 0 || bytes.compare(0, 4, "Crea") == 0;
      return own_reader ? LoadWhole(bytes) : nullptr;
    }
    type = Mix_GetMusicType(music.get());
    seconds = Mix_MusicDuration(music.get());
  }
  const bool claims_within_cut = seconds > 0 && seconds <= kEffectCutSeconds;
  Decoded decoded = CutByType(type, bytes);
  if (decoded.cut) {
    // Ended within the cut: today's chunk. Unless another library than the
    // mixer's read it and the header claims more, when the mixer might go on
    // for hours: the effect is then what was read, up to the cut in silence.
    if (decoded.ended && (decoded.own_end || seconds <= 0 || claims_within_cut)) return LoadWhole(bytes);
    return std::move(decoded.cut);
  }
  if (claims_within_cut) return LoadWhole(bytes);
  // No decoder here reads what the mixer does (a synthesizer other than
  // FluidSynth, say): it would play, so the effect still starts, as a cut of
  // silence rather than for as long as it likes.
  CutChunk silence(AUDIO_S16SYS, 1, 8000);
  return silence.Release();
}

}  // namespace

Uint32 EffectCutBytes() {
  const MixerFormat mixer = QueryMixer();
  return static_cast<Uint32>(kEffectCutSeconds * mixer.freq * mixer.FrameBytes());
}

ChunkPtr DecodeEffect(std::string_view bytes) {
  // Mix_LoadWAV_RW reads four bytes of magic before anything else.
  if (bytes.size() < 4) return nullptr;
  if (bytes.compare(0, 4, "RIFF") == 0 || bytes.compare(0, 4, "WAVE") == 0) return LoadWave(bytes);
  return LoadThroughMusic(bytes);
}

}  // namespace torvane::sdl
