// Background WAV playback on Windows through the system's own player in
// winmm. A file that is missing or cannot be played stays silent.
#include <windows.h>
#include <mmsystem.h>

#include "platform/sound_player.h"

namespace p2a {

namespace {

class WindowsSoundPlayer : public SoundPlayer {
 public:
  void playInBackground(const std::string& path) override {
    // SND_NODEFAULT: no system beep in place of a missing file.
    ::sndPlaySoundA(path.c_str(), SND_ASYNC | SND_NODEFAULT);
  }
};

}  // namespace

std::unique_ptr<SoundPlayer> createSystemSoundPlayer() {
  return std::make_unique<WindowsSoundPlayer>();
}

}  // namespace p2a
