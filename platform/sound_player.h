// Playback of a WAV file in the background.
#pragma once

#include <memory>
#include <string>

namespace p2a {

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;

  // Starts playing the file and returns at once. A file that cannot be played
  // is silent: no default sound, no report.
  virtual void playInBackground(const std::string& path) = 0;
};

std::unique_ptr<SoundPlayer> createSystemSoundPlayer();

}  // namespace p2a
