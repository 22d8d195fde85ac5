// Where the input worker hands on what other parts of the program act on:
// key reports (the keypad handler) and the handset's two faders (the mixer
// controls). The shell wires the real parts; until they exist it wires stand-ins.
#pragma once

#include <cstdint>

// Turns one accepted key report of the handset into the program's reaction.
class KeypadHandler {
  public:
    virtual ~KeypadHandler() = default;

    // `report` is the queued report word: byte 0 (bits 31..24) the report id,
    // byte 1 the button byte, byte 2 the key code, byte 3 the sequence field.
    // Called on the input worker's thread. Returns 1 when handled.
    virtual int HandleKeyReport(std::uint32_t report) = 0;
};

// The handset's speaker and microphone faders, set by value kind (0 up a
// step, 1 down a step, 2 an absolute level of 0..31, 4 a level from the volume
// dialog) as the mixer controls define them.
class HandsetAudio {
  public:
    virtual ~HandsetAudio() = default;

    virtual void SetSpeakerFader(int kind, int value) = 0;
    virtual void SetMicrophoneFader(int kind, int value) = 0;
};
