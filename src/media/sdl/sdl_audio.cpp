#include "media/sdl/sdl_audio.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include "media/sdl/effect_decoder.hpp"
#include "media/sdl/soundfonts.hpp"
#include "platform/script_error.hpp"

namespace torvane::sdl {
namespace {

std::mutex audio_mutex;
bool audio_open = false;
bool audio_held = false;  // silent: its thread held, never let go
bool closed_at_exit = false;

// The player's levels, kept while the audio is closed and set again when it
// opens: the mixer starts every open at full volume.
int music_level = 100;
int effects_level = 100;

int MixerVolume(int percent) { return (percent * MIX_MAX_VOLUME + 50) / 100; }

// ALSA reports a missing sound card in eight lines of its own on stderr;
// the one warning below says it all. Its handler is silenced only while the
// device opens; without libasound there is nothing to silence.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class AlsaQuiet {
 public:
  AlsaQuiet() : alsa_(dlopen("libasound.so.2", RTLD_LAZY)) {
    if (alsa_ == nullptr) return;
    set_handler_ = reinterpret_cast<SetHandler>(dlsym(alsa_, "snd_lib_error_set_handler"));
    if (set_handler_ != nullptr) set_handler_(IgnoreAlsaError);
  }
  ~AlsaQuiet() {
    if (set_handler_ != nullptr) set_handler_(nullptr);  // ALSA's default again
    if (alsa_ != nullptr) dlclose(alsa_);
  }
  AlsaQuiet(const AlsaQuiet&) = delete;
  AlsaQuiet& operator=(const AlsaQuiet&) = delete;

 private:
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  void* alsa_;
  SetHandler set_handler_ = nullptr;
};

void UseDummyDriver() { SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE); }

bool StartMixer(std::string& reason) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
    reason = SDL_GetError();
    return false;
  }
  if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) < 0) {
    reason = Mix_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

// The mixer's device is the one device open; it names no getter for it.
void HoldMixerThread() {
  for (SDL_AudioDeviceID id = 1; id <= 16; ++id) {
    if (SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED) SDL_LockAudioDevice(id);
  }
}


// The audio thread must be gone before the process tears down the libraries
// it runs in.
void CloseAudio() {
  Mix_HaltChannel(-1);
  Mix_HaltMusic();
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool IsRegularFile(const std::filesystem::path& path) {
  // Also keeps a FIFO under a game file's name from blocking the open.
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

SDL_RWops* OpenGameFile(const platform::GameFolder& folder, BytesView file) {
  const auto path = folder.Resolve(file);
  if (!path || !IsRegularFile(*path)) return nullptr;
  return SDL_RWFromFile(path->c_str(), "rb");
}

}  // namespace

void OpenAudio(AudioOutput output) {
  std::lock_guard lock(audio_mutex);
  if (audio_open) return;
  // SDL's own SIGINT/SIGTERM handlers would swallow the signals Qt quits on.
  SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
  if (output == AudioOutput::Silent) UseDummyDriver();
  // Decoders this build lacks are simply not offered; that is not an error.
  Mix_Init(MIX_INIT_MID | MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC);

  std::string reason;
  bool started;
  bool silent = output == AudioOutput::Silent;
  {
    const AlsaQuiet quiet;
    started = StartMixer(reason);
  }
  if (!started && output == AudioOutput::Device) {
    std::fprintf(stderr, "torvane: no sound device (%s); playing silently\n", reason.c_str());
    UseDummyDriver();
    silent = true;
    started = StartMixer(reason);
  }
  if (!started) {
    // Every track then fails to open with the usual error.
    std::fprintf(stderr, "torvane: cannot start audio (%s)\n", reason.c_str());
    return;
  }
  Mix_ReserveChannels(kEffectChannel + 1);
  TellMixerSoundfont();
  Mix_VolumeMusic(MixerVolume(music_level));
  Mix_Volume(kEffectChannel, MixerVolume(effects_level));
  audio_open = true;
  if (silent) {
    // The dummy driver's thread mixes silence in real time, waking every
    // period, and closing it waits two periods more. Where nothing is heard
    // it is held at the mixer's lock from the start, so it never runs again;
    // the decoders need only the mixer's format. The lock is this thread's
    // and recursive, so the mixer's own calls from here go on as before; a
    // track then plays until stopped, as a silent one does. At exit the
    // held thread ends with the process: closing would wait for it forever.
    HoldMixerThread();
    audio_held = true;
    return;
  }
  if (!closed_at_exit) std::atexit(CloseAudio);
  closed_at_exit = true;
}

void SetMusicLevel(int percent) {
  std::lock_guard lock(audio_mutex);
  music_level = std::clamp(percent, 0, 100);
  MidiTrack::SetLevel(music_level);
  if (audio_open) Mix_VolumeMusic(MixerVolume(music_level));
}

void SetEffectsLevel(int percent) {
  std::lock_guard lock(audio_mutex);
  effects_level = std::clamp(percent, 0, 100);
  if (audio_open) Mix_Volume(kEffectChannel, MixerVolume(effects_level));
}

std::int64_t ReleaseAudioIfQuiet() {
  std::lock_guard lock(audio_mutex);
  if (!audio_open || audio_held) return 0;
  if (Mix_PlayingMusic() || MidiTrack::AnyStarted()) return 0;
  if (Mix_Playing(-1) > 0) return 1000;
  CloseAudio();
  audio_open = false;
  return 0;
}

LoadedMusic LoadMusic(const platform::GameFolder& folder, BytesView file) {
  // Mix_LoadMUS_RW tells the format by the first bytes; Mix_LoadMUS would go
  // by the extension, and games name files loosely.
  SDL_RWops* source = OpenGameFile(folder, file);
  char magic[4] = {};
  if (source && SDL_RWread(source, magic, 1, 4) == 4 && MidiTrack::IsMidi({magic, 4}) &&
      SDL_RWseek(source, 0, RW_SEEK_SET) == 0) {
    std::size_t size = 0;
    void* bytes = SDL_LoadFile_RW(source, &size, 1);
    source = nullptr;
    if (bytes) {
      std::string held(static_cast<const char*>(bytes), size);
      SDL_free(bytes);
      if (auto midi = MidiTrack::Open(std::move(held))) return {nullptr, std::move(midi)};
    }
    // No soundfont for the shared synthesizer: the mixer's decoders decide.
    source = OpenGameFile(folder, file);
  } else if (source) {
    SDL_RWseek(source, 0, RW_SEEK_SET);
  }
  MusicPtr music(source ? Mix_LoadMUS_RW(source, 1) : nullptr);
  if (!music) throw ScriptError(error_text::CannotOpenMusic(file));
  return {std::move(music), nullptr};
}

ChunkPtr LoadEffect(const platform::GameFolder& folder, BytesView file) {
  std::optional<std::string> bytes;
  try {
    bytes = folder.ReadFile(file);
  } catch (const ScriptError&) {
    return nullptr;  // too large: silent, as the effect call reports nothing
  }
  return bytes ? DecodeEffect(*bytes) : nullptr;
}

}  // namespace torvane::sdl
