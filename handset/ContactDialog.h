// The contact action dialog: a small always-on-top list window that the
// handset opens to pick a recently dialed handle (redial), or a reachable
// contact to chat with or to send a file to.
//
// The window runs modally on a thread of its own (one at a time). The input
// worker reaches it only through the operations of ContactActionDialog:
// synchronous sends bounded by kSendTimeout, so a dialog that hangs delays a
// key by at most that, and the shared flags (atomics).
//
// When it opens, the dialog fills itself on its own thread: the session store
// (redial) or the contact list (chat, send file) sends it one entry after the
// other while holding its lock (ContactActionSink). Those sends come from the
// dialog's own thread, so they run directly. The dialog's procedure never
// calls into the store or the list; its lock (m_cs) is taken after theirs and
// is never held while sending to the window, waiting for the thread or
// calling into them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "handset/ContactActionDialog.h"
#include "platform/DialogHost.h"
#include "platform/WindowSystem.h"
#include "session/ContactActionSink.h"

class CSessionStore;
class CListManager;

class CContactDialog final : public ContactActionDialog, public ContactActionSink {
  public:
    static constexpr int kDialogResource = 124;
    static constexpr int kListControl = 1024;

    // The dialog's messages.
    static constexpr std::uint32_t kAddEntry = 0x1E0A;  // wParam 1 contact, 2 call record
    static constexpr std::uint32_t kUp = 0x1E0B;
    static constexpr std::uint32_t kDown = 0x1E0C;
    static constexpr std::uint32_t kCloseRedial = 0x1E0D;
    static constexpr std::uint32_t kCloseChat = 0x1E0E;
    static constexpr std::uint32_t kCloseSendFile = 0x1E0F;
    // The program's own: the selected line's index (-1 for none), and an end
    // that clears no flag (the caller clears them).
    static constexpr std::uint32_t kSelectedLine = 0x1E10;
    static constexpr std::uint32_t kEnd = 0x1E11;

    static constexpr kestrava::WParam kContactEntry = 1;
    static constexpr kestrava::WParam kCallEntry = 2;
    // Longest handle taken into a line.
    static constexpr std::size_t kMaxEntryBytes = 256;

    static constexpr std::chrono::milliseconds kSendTimeout{1000};
    // How long closing waits for the dialog's thread to end.
    static constexpr std::chrono::milliseconds kEndWait{2000};

    CContactDialog(kestrava::DialogHost& dialogs, kestrava::WindowSystem& windows);
    ~CContactDialog() override;
    CContactDialog(const CContactDialog&) = delete;
    CContactDialog& operator=(const CContactDialog&) = delete;

    // Where the dialog fills itself from; either may be null (it then opens
    // empty). Makes this dialog their ContactActionSink and unwires the ones
    // it replaces; returns once no fill uses a replaced one any more.
    void SetSources(CSessionStore* store, CListManager* contacts);
    // Closes an open dialog, joins its thread and unwires the sources; no
    // dialog opens afterwards. Called before the store and the list go;
    // idempotent.
    void Shutdown();

    // ContactActionDialog
    void ListKey(int mode) override;
    bool IsOpen() override;
    void MoveSelection(bool up) override;
    bool ShowsSelectableList() override;
    std::string SelectedHandle() override;
    int OpenMode() override;
    bool RedialFlag() override;
    bool ChatFlag() override;
    bool FileFlag() override;
    void CloseAndClear() override;
    void ClearListFlags() override;

    // ContactActionSink: one add-entry message each to the open dialog.
    void AddCallEntry(const CCallRecord& record) override;
    void AddContactEntry(const CUserEntry& entry) override;

  private:
    enum ThreadState : std::int32_t { kNoThread, kStarting, kShown, kEnding, kFinished };

    void RunDialog(int mode);
    kestrava::LParam Procedure(int mode, kestrava::WindowHandle window, std::uint32_t message,
                               kestrava::WParam wParam, kestrava::LParam lParam);
    void Initialise(int mode, kestrava::WindowHandle window);
    void Fill(int mode);
    void AddLine(int mode, kestrava::WindowHandle window, kestrava::WParam kind,
                 kestrava::LParam entry);
    void Move(kestrava::WindowHandle window, bool up);
    void End(kestrava::WindowHandle window);

    // Has the dialog handle `message` once it has initialised itself (at
    // once when it has).
    void RequestClose(std::uint32_t message);
    std::optional<kestrava::LParam> SendToDialog(std::uint32_t message);
    // Waits (bounded) while a dialog is ending, then joins a finished thread.
    void WaitForEnd();
    void JoinFinishedThread();
    template <class Entry>
    void SendEntry(kestrava::WParam kind, const Entry& entry);
    // The entry handed over at `address` as `kind`, taken out of the list;
    // null when none is.
    std::shared_ptr<const void> TakeHandedEntry(kestrava::WParam kind, kestrava::LParam address);
    std::atomic<std::int32_t>* FlagOf(int mode);

    kestrava::DialogHost& m_dialogs;
    kestrava::WindowSystem& m_windows;

    std::recursive_mutex m_cs;  // guards the members up to the atomics
    CSessionStore* m_pStore = nullptr;
    CListManager* m_pContacts = nullptr;
    int m_nFillsRunning = 0;
    std::thread m_thread;
    // The open dialog's lines as received (UTF-8), in list order.
    std::vector<std::string> m_lines;
    // The entries being handed over: the add-entry message carries the
    // address of one of them, and the procedure takes no other (any program
    // can send that message to the window). Each is taken once. One whose
    // send was given up stays, since the dialog may still take it, until the
    // dialog's thread has ended.
    struct HandedEntry {
        kestrava::WParam kind;
        kestrava::LParam address;
        std::shared_ptr<const void> entry;
    };
    std::vector<HandedEntry> m_handedEntries;

    std::atomic<kestrava::WindowHandle> m_contactDialog{0};
    std::atomic<std::int32_t> m_contactDialogMode{kNone};
    std::atomic<std::int32_t> m_redialFlag{0};
    std::atomic<std::int32_t> m_chatFlag{0};
    std::atomic<std::int32_t> m_fileFlag{0};
    std::atomic<std::int32_t> m_listSelectable{0};

    std::atomic<std::int32_t> m_nThreadState{kNoThread};
    std::atomic<std::int32_t> m_nOpenMode{kNone};  // the running dialog's mode
    std::atomic<std::int32_t> m_bInitDone{0};
    std::atomic<std::uint32_t> m_nPendingClose{0};
    std::atomic<std::int32_t> m_bShutdown{0};
};
