// The simulated handset's Windows boundary: a message-mode named pipe. Each
// handle the program opens on the pipe is a pipe instance of its own; one
// serving thread keeps an instance listening for the next handle and a read
// outstanding on every connected one. Every connected handle receives each
// input report, as with real HID handles.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>

#include "SimulatedHandset.h"

namespace kestrava::sim {

namespace {

constexpr DWORD kPipeBufferSize = 8192;
// With the wake and listen events, one wait covers at most 64 handles.
constexpr std::size_t kMaxConnections = 60;
constexpr auto kServingTimeout = std::chrono::seconds(5);

std::string PipeName(std::string root) {
    static std::atomic<unsigned> s_nInstance{0};
    const std::string prefix = "\\\\.\\pipe\\";
    if (root.empty()) {
        char name[96];
        std::snprintf(name, sizeof name, "kestrava-handset-%lu-%u", GetCurrentProcessId(),
                      s_nInstance++);
        root = name;
    }
    if (root.compare(0, prefix.size(), prefix) != 0) root = prefix + root;
    return root;
}

// One program handle: a connected pipe instance with its read outstanding.
struct Connection {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE readEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE writeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED read{};
    bool reading = false;
    bool inLongMessage = false;  // reading the rest of a message longer than the buffer
    std::uint8_t buffer[64] = {};
    // A write waits while the handle's pipe buffer is full (nobody reads it);
    // the reports that come meanwhile are dropped, as a full HID buffer drops them.
    OVERLAPPED write{};
    bool writing = false;
    HandsetFirmware::InputReport writeBuffer{};

    explicit Connection(HANDLE connected) : pipe(connected) {}
    ~Connection() {
        if (reading || writing) {
            CancelIoEx(pipe, nullptr);  // the read and the write, whichever thread started them
            DWORD ignored = 0;
            if (reading) GetOverlappedResult(pipe, &read, &ignored, TRUE);
            if (writing) GetOverlappedResult(pipe, &write, &ignored, TRUE);
        }
        DisconnectNamedPipe(pipe);
        CloseHandle(pipe);
        if (readEvent) CloseHandle(readEvent);
        if (writeEvent) CloseHandle(writeEvent);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool StartRead() {
        read = OVERLAPPED{};
        read.hEvent = readEvent;
        ResetEvent(readEvent);
        reading = ReadFile(pipe, buffer, sizeof buffer, nullptr, &read) ||
                  GetLastError() == ERROR_IO_PENDING || GetLastError() == ERROR_MORE_DATA;
        return reading;
    }
    // Under the handset's mutex.
    void Send(const HandsetFirmware::InputReport& report) {
        DWORD written = 0;
        if (writing) {
            if (!GetOverlappedResult(pipe, &write, &written, FALSE) &&
                GetLastError() == ERROR_IO_INCOMPLETE) {
                return;  // still full
            }
            writing = false;
        }
        writeBuffer = report;
        write = OVERLAPPED{};
        write.hEvent = writeEvent;
        ResetEvent(writeEvent);
        if (!WriteFile(pipe, writeBuffer.data(), static_cast<DWORD>(writeBuffer.size()), nullptr,
                       &write)) {
            writing = GetLastError() == ERROR_IO_PENDING;  // else broken: its read notices
        }
    }
};

}  // namespace

// Handles are created and closed on the serving thread only, always under the
// handset's mutex; other threads use the connections under it (writes).
struct SimulatedHandset::Boundary {
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // stop, unplug, plug
    HANDLE listener = INVALID_HANDLE_VALUE;  // the instance the next handle connects to
    HANDLE listenEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED listen{};
    std::vector<std::unique_ptr<Connection>> connections;
    bool plugged = true;  // what the person at the handset wants
    bool served = false;  // what the serving thread has put in place
    bool stopping = false;
    std::condition_variable changed;

    ~Boundary() {
        CloseHandle(wake);
        CloseHandle(listenEvent);
    }

    void Accept(HANDLE pipe) {
        auto connection = std::make_unique<Connection>(pipe);
        if (connection->StartRead()) connections.push_back(std::move(connection));
        changed.notify_all();
    }
    // Puts up the next listening instance. A handle may connect to it at once;
    // then another goes up, so that while the handset is plugged in one
    // instance always waits (without one the pipe's name would vanish and a
    // program opening it would find nothing instead of a busy pipe).
    void Listen(const std::string& name) {
        while (listener == INVALID_HANDLE_VALUE && connections.size() < kMaxConnections) {
            HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                           PIPE_UNLIMITED_INSTANCES, kPipeBufferSize,
                                           kPipeBufferSize, 0, nullptr);
            if (pipe == INVALID_HANDLE_VALUE) return;
            listen = OVERLAPPED{};
            listen.hEvent = listenEvent;
            ResetEvent(listenEvent);
            if (!ConnectNamedPipe(pipe, &listen)) {
                DWORD error = GetLastError();
                if (error == ERROR_IO_PENDING) {
                    listener = pipe;
                    return;
                }
                if (error != ERROR_PIPE_CONNECTED) {
                    CloseHandle(pipe);
                    return;
                }
            }
            Accept(pipe);
        }
    }
    void StopListening() {
        if (listener == INVALID_HANDLE_VALUE) return;
        CancelIo(listener);
        DWORD ignored = 0;
        GetOverlappedResult(listener, &listen, &ignored, TRUE);
        CloseHandle(listener);
        listener = INVALID_HANDLE_VALUE;
    }
    // Unplugged: every handle's reads and writes fail, and the name is gone.
    void CloseAll() {
        StopListening();
        connections.clear();
        changed.notify_all();
    }
};

SimulatedHandset::SimulatedHandset(std::string root, bool withDisplay)
    : m_root(PipeName(std::move(root))),
      m_firmware(withDisplay),
      m_boundary(std::make_unique<Boundary>()) {
    m_server = std::thread([this] { Serve(); });
    // The pipe exists when the constructor returns.
    std::unique_lock lock(m_mutex);
    m_boundary->changed.wait_for(lock, kServingTimeout, [&] { return m_boundary->served; });
}

SimulatedHandset::~SimulatedHandset() {
    {
        std::lock_guard lock(m_mutex);
        m_boundary->stopping = true;
        SetEvent(m_boundary->wake);
    }
    m_server.join();
}

std::string SimulatedHandset::ExtraDeviceEntry() const {
    char identity[32];
    std::snprintf(identity, sizeof identity, "=%04X:%04X:%u:%u", unsigned{kVendorId},
                  unsigned{kProductId}, unsigned{sizeof(HandsetFirmware::InputReport)},
                  unsigned{sizeof(OutputReport)});
    return m_root + identity;
}

void SimulatedHandset::Serve() {
    Boundary& boundary = *m_boundary;
    for (;;) {
        std::vector<HANDLE> waits;
        std::vector<Connection*> readers;
        int timeout = -1;
        {
            std::lock_guard lock(m_mutex);
            timeout = HoldWaitMillisecondsLocked();
            if (boundary.stopping) {
                boundary.CloseAll();
                return;
            }
            if (!boundary.plugged) boundary.CloseAll();
            if (boundary.plugged) boundary.Listen(m_root);
            boundary.served = boundary.plugged;
            boundary.changed.notify_all();
            waits.push_back(boundary.wake);
            for (auto& connection : boundary.connections) {
                waits.push_back(connection->readEvent);
                readers.push_back(connection.get());
            }
            if (boundary.listener != INVALID_HANDLE_VALUE) waits.push_back(boundary.listenEvent);
        }
        DWORD result = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE,
                                              timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
        if (result == WAIT_TIMEOUT) {
            ReleaseHeldKeys();
            continue;
        }
        if (result == WAIT_FAILED) {
            Sleep(10);  // a handle went bad under the wait: rebuild the list
            continue;
        }
        std::size_t index = result - WAIT_OBJECT_0;
        if (index == 0 || index >= waits.size()) continue;
        if (index > readers.size()) {  // a program handle connected
            std::lock_guard lock(m_mutex);
            DWORD ignored = 0;
            HANDLE pipe = boundary.listener;
            boundary.listener = INVALID_HANDLE_VALUE;
            if (GetOverlappedResult(pipe, &boundary.listen, &ignored, FALSE)) {
                boundary.Accept(pipe);
            } else {
                CloseHandle(pipe);
            }
            if (boundary.plugged) boundary.Listen(m_root);  // the next one waits at once
            continue;
        }

        Connection* connection = readers[index - 1];
        DWORD got = 0;
        bool ok = GetOverlappedResult(connection->pipe, &connection->read, &got, FALSE);
        bool longer = !ok && GetLastError() == ERROR_MORE_DATA;
        connection->reading = false;
        if (ok || longer) {
            // A message longer than a report counts once, by its first bytes.
            bool first = !connection->inLongMessage;
            connection->inLongMessage = longer;
            if (first && got > 0) HandleOutputReport(connection->buffer, got);
            std::lock_guard lock(m_mutex);
            if (connection->StartRead()) continue;
        }
        // The program closed its handle (or the pipe broke): drop the instance,
        // with a listening one in place first.
        std::lock_guard lock(m_mutex);
        if (boundary.plugged) boundary.Listen(m_root);
        auto& list = boundary.connections;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const auto& item) { return item.get() == connection; }),
                   list.end());
        boundary.changed.notify_all();
    }
}

void SimulatedHandset::Broadcast(const HandsetFirmware::InputReport& report) {
    // One message per report, report id byte first, as a HID read returns it.
    std::lock_guard lock(m_mutex);
    if (!m_boundary->plugged) return;
    if (report[3] <= 3) m_lastNormal = report;
    for (auto& connection : m_boundary->connections) connection->Send(report);
}

void SimulatedHandset::SetPlugged(bool plugged) {
    std::unique_lock lock(m_mutex);
    if (m_boundary->plugged == plugged) return;
    m_boundary->plugged = plugged;
    SetEvent(m_boundary->wake);
    // Returns once the pipe is gone or listening again.
    m_boundary->changed.wait_for(lock, kServingTimeout,
                                 [&] { return m_boundary->served == plugged; });
}

void SimulatedHandset::Unplug() {
    SetPlugged(false);
}

void SimulatedHandset::PlugIn() {
    SetPlugged(true);
}

std::condition_variable& SimulatedHandset::Changed() const {
    return m_boundary->changed;
}

bool SimulatedHandset::PluggedLocked() const {
    return m_boundary->plugged;
}

int SimulatedHandset::ConnectionCountLocked() const {
    return static_cast<int>(m_boundary->connections.size());
}

}  // namespace kestrava::sim
