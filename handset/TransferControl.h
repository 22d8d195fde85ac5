// Stopping a transfer to the handset: the one handshake every thread that must
// change the display goes through.
#pragma once

#include <chrono>

class CDeviceLibrary;

namespace kestrava {

// How long a stop waits for the upload worker to let go. A worker that died
// or hangs in a write must never freeze the parser, the input worker or the
// main thread for good.
inline constexpr std::chrono::milliseconds kTransferStopLimit{2000};

// When a transfer runs: asks the upload worker and the renderer to stop
// (m_bAbortPending, m_nDisplayContent = 0, SetAbort(1)) and pauses `settle`.
// Then, whether or not one ran, waits in 3 ms steps while m_bAbortPending is
// set, at most kTransferStopLimit. False when the worker did not answer in time.
bool StopHandsetTransfer(CDeviceLibrary& device, std::chrono::milliseconds settle);

// The two halves of a stop, for callers that must act between them (the
// hang-up button) or must not wait at all (the stop key).
//
// When a transfer runs: SetAbort(1) on the renderer, then m_bAbortPending, and
// a pause of `settle` (none when zero). The display content is left alone.
// True when a transfer ran.
bool RequestHandsetTransferStop(CDeviceLibrary& device, std::chrono::milliseconds settle);
// Waits in 3 ms steps while m_bAbortPending is set, at most kTransferStopLimit,
// telling the renderer to stop again (SetAbort(1)) after every unanswered step while the
// transfer runs; with no transfer running the request is dropped at once.
// False when the worker did not answer in time.
bool AwaitHandsetTransferStop(CDeviceLibrary& device);

// Before a new text is announced (HS_TEXT_FONT / HS_TEXT_RAW) and its pending
// bits set: a running transfer is stopped and awaited, so its end cannot clear
// the new bits. The display content is left as it is (the browsed list stays).
// False when the worker did not answer in time.
bool StopHandsetTransferBeforeText(CDeviceLibrary& device);

}  // namespace kestrava
