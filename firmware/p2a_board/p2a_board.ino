// Reference firmware for the board that p2a-monitor watches (Arduino Uno,
// ATmega328P). Answers each command packet from the PC with one packet:
//   1 switch query -> 1T / 1F     2 motion query -> 2T / 2F
//   3 LED on       -> 3           4 LED off      -> 4
//   5 keep-alive   -> 5
// A line that is not a valid packet, or whose payload is not one of these
// single characters, is ignored: nothing is sent back. docs/protocol.md
// describes the protocol.
#include <Arduino.h>

#include "line_collector.h"
#include "packet.h"

// Wiring.
const uint8_t kSwitchPin = 2;  // switch to GND; closed (LOW) means on
const uint8_t kMotionPin = 3;  // PIR sensor output; HIGH means motion
const uint8_t kLedPin = 13;    // LED (the Uno's on-board LED)

const unsigned long kBaudRate = 9600;

LineCollector receivedLine;

bool switchIsOn() { return digitalRead(kSwitchPin) == LOW; }

bool motionIsDetected() { return digitalRead(kMotionPin) == HIGH; }

// Sends `payload` as one packet followed by CR LF.
void sendAnswer(const char* payload, size_t payloadLength) {
  char packet[kPacketMaxLength];
  const size_t length = encodePacket(payload, payloadLength, packet);
  Serial.write(reinterpret_cast<const uint8_t*>(packet), length);
  Serial.write('\r');
  Serial.write('\n');
}

void answerQuery(char command, bool yes) {
  const char answer[] = {command, yes ? 'T' : 'F'};
  sendAnswer(answer, sizeof answer);
}

void answerCommand(char command) {
  switch (command) {
    case '1':
      answerQuery(command, switchIsOn());
      break;
    case '2':
      answerQuery(command, motionIsDetected());
      break;
    case '3':
      digitalWrite(kLedPin, HIGH);
      sendAnswer(&command, 1);
      break;
    case '4':
      digitalWrite(kLedPin, LOW);
      sendAnswer(&command, 1);
      break;
    case '5':
      sendAnswer(&command, 1);
      break;
    default:
      break;  // not a command: no answer
  }
}

void handleLine(const char* text, size_t length) {
  const char* payload;
  size_t payloadLength;
  if (!decodePacket(text, length, payload, payloadLength)) return;
  if (payloadLength != 1) return;
  answerCommand(payload[0]);
}

void setup() {
  pinMode(kSwitchPin, INPUT_PULLUP);
  pinMode(kMotionPin, INPUT);
  pinMode(kLedPin, OUTPUT);
  digitalWrite(kLedPin, LOW);
  Serial.begin(kBaudRate);
}

void loop() {
  while (Serial.available() > 0) {
    const char received = static_cast<char>(Serial.read());
    if (receivedLine.add(received)) handleLine(receivedLine.text(), receivedLine.length());
  }
}
