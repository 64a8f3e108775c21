// The alarm sound: a WAV file played in the background, at most once per
// MINUTESBETWEENSOUND minutes.
#pragma once

#include "platform/clock.h"
#include "platform/sound_player.h"
#include "platform/trace.h"

namespace p2a {

inline constexpr int MINUTESBETWEENSOUND = 1;
inline constexpr const char* kAlarmSoundFile = "c:/tmp/klaxon-short.wav";

class AlarmSound {
 public:
  AlarmSound(Clock& clock, SoundPlayer& player, Trace& trace);

  // Starts the sound when the time since the last playback allows it. The
  // first call only starts the count, so the alarm first sounds at a later
  // call.
  void playSound();

 private:
  Clock& clock_;
  SoundPlayer& player_;
  Trace& trace_;
  bool initialized_ = false;
  Milliseconds nextTime_{0};
};

}  // namespace p2a
