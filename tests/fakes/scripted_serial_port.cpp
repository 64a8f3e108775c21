// The scripted serial port's timeline.
#include "tests/fakes/scripted_serial_port.h"

#include <algorithm>

namespace p2a::testing {

void ScriptedSerialPort::arriveAfter(Milliseconds delay, const std::string& bytes) {
  Milliseconds at = clock_.now() + delay;
  if (!arrivals_.empty()) at = std::max(at, arrivals_.back().at);
  for (char c : bytes) arrivals_.push_back({at, static_cast<unsigned char>(c)});
}

void ScriptedSerialPort::replyToNextSend(const std::string& bytes, Milliseconds delay) {
  replies_.push_back({bytes, delay});
}

void ScriptedSerialPort::failAfter(Milliseconds delay) { failureAt_ = clock_.now() + delay; }

bool ScriptedSerialPort::connect(const std::string& portName) {
  calls.push_back("connect " + portName);
  lastError_ = connectSucceeds ? "OK" : "port not found";
  return connectSucceeds;
}

bool ScriptedSerialPort::configure(int baud) {
  calls.push_back("configure " + std::to_string(baud));
  lastError_ = configureSucceeds ? "OK" : "speed refused";
  return configureSucceeds;
}

void ScriptedSerialPort::purge() {
  calls.push_back("purge");
  std::erase_if(arrivals_, [this](const Arrival& a) { return a.at <= clock_.now(); });
}

void ScriptedSerialPort::flush() { calls.push_back("flush"); }

std::size_t ScriptedSerialPort::arrivedCount() const {
  return static_cast<std::size_t>(std::count_if(
      arrivals_.begin(), arrivals_.end(), [this](const Arrival& a) { return a.at <= clock_.now(); }));
}

std::size_t ScriptedSerialPort::waitingCount() {
  ++waitingQueries;
  return arrivedCount();
}

ByteRead ScriptedSerialPort::readByte(int timeoutMs) {
  const Milliseconds giveUpAt = clock_.now() + Milliseconds{timeoutMs};
  if (failureAt_ && *failureAt_ <= giveUpAt &&
      (arrivals_.empty() || arrivals_.front().at > *failureAt_)) {
    clock_.advance(std::max(Milliseconds{0}, *failureAt_ - clock_.now()));
    lastError_ = "device disconnected";
    return {ByteRead::Outcome::Failure, 0};
  }
  if (!arrivals_.empty() && arrivals_.front().at <= giveUpAt) {
    Arrival next = arrivals_.front();
    arrivals_.pop_front();
    if (next.at > clock_.now()) clock_.advance(next.at - clock_.now());
    lastError_ = "OK";
    return {ByteRead::Outcome::Byte, next.byte};
  }
  clock_.advance(giveUpAt - clock_.now());
  lastError_ = "Timeout during operation";
  return {ByteRead::Outcome::Timeout, 0};
}

bool ScriptedSerialPort::sendString(std::string_view data) {
  wire.append(data);
  lastError_ = "OK";
  if (!replies_.empty()) {
    Reply reply = replies_.front();
    replies_.pop_front();
    arriveAfter(reply.delay, reply.bytes);
  }
  return true;
}

}  // namespace p2a::testing
