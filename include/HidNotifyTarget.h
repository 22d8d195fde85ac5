// Where the handset library delivers input reports on systems without a
// system-wide window manager (the POSIX build).
//
// On Windows, CHidDevice::StartReading takes a real window handle and the
// library sends the report message to it. Elsewhere the program's windows live
// in the program itself, out of the library's reach, so the program passes the
// address of one of these records, cast to CHidDevice::WindowHandle, instead:
//
//     static HidNotifyTarget target = {kHidNotifyTargetMagic, 1, &myWindowBridge,
//                                      &DeliverToMainWindow, &PumpSentMessages};
//     device->StartReading(reinterpret_cast<CHidDevice::WindowHandle>(&target));
//
// The record must stay valid until StopReading (or Close, Release, the
// destructor) has returned. A value that does not point at a record with the
// magic number (a bare window handle, say) is not used: reports are then read
// and traced but delivered nowhere, as with a null window.
//
// A plain record of function pointers, so that program and library need not
// agree on anything beyond this header.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kHidNotifyTargetMagic = 0x4B484E54;  // "KHNT"

struct HidNotifyTarget {
    std::uint32_t magic;    // kHidNotifyTargetMagic
    std::uint32_t version;  // 1
    void* context;
    // Called on the library's read thread: delivers one report message to the
    // program's window and returns once the window procedure has handled it,
    // like a synchronous window message. Non-zero when it was delivered.
    int (*deliver)(void* context, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam);
    // Called on the thread that stops the reading (the window's own thread in
    // the program) while it waits for the read thread to end: handles every
    // message that another thread is sending to the calling thread's windows,
    // waiting at most `maxWaitMs` for one to arrive. This is what lets a read
    // thread that is inside `deliver` finish its report and end by itself.
    void (*pumpSentMessages)(void* context, std::uint32_t maxWaitMs);
};
