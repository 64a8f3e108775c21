// Spacing the alarm sound.
#include "app/alarm_sound.h"

namespace p2a {

namespace {
constexpr Milliseconds kTimeBetweenSounds = std::chrono::minutes(MINUTESBETWEENSOUND);
}  // namespace

AlarmSound::AlarmSound(Clock& clock, SoundPlayer& player, Trace& trace)
    : clock_(clock), player_(player), trace_(trace) {}

void AlarmSound::playSound() {
  trace_.line("@playSound");
  if (!initialized_) {
    trace_.line("  initializing");
    initialized_ = true;
    nextTime_ = clock_.now();
  }
  if (clock_.now() > nextTime_) {
    trace_.line("  ok to play the sound");
    player_.playInBackground(kAlarmSoundFile);
    nextTime_ = clock_.now() + kTimeBetweenSounds;
  }
}

}  // namespace p2a
