// A sound player that records when and what it was asked to play.
#pragma once

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound_player.h"

namespace p2a::testing {

class RecordingSoundPlayer : public SoundPlayer {
 public:
  explicit RecordingSoundPlayer(Clock& clock) : clock_(clock) {}

  void playInBackground(const std::string& path) override {
    paths.push_back(path);
    times.push_back(clock_.now());
  }

  std::vector<std::string> paths;
  std::vector<Milliseconds> times;

 private:
  Clock& clock_;
};

}  // namespace p2a::testing
