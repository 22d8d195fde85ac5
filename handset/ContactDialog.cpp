#include "handset/ContactDialog.h"

#include <system_error>

#include "platform/Pause.h"
#include "session/CCallRecord.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"
#include "session/CUserEntry.h"

using kestrava::LParam;
using kestrava::WindowHandle;
using kestrava::WParam;

namespace {

constexpr std::chrono::milliseconds kPollStep{3};

// What each list shows and which message closes it.
struct ListTexts {
    const char* openingTitle;
    const char* filledTitle;
    std::uint32_t closeMessage;
};

ListTexts TextsOf(int mode) {
    switch (mode) {
        case ContactActionDialog::kRedial:
            return {"Redial, 0 Users", "Redial", CContactDialog::kCloseRedial};
        case ContactActionDialog::kChat:
            return {"Message, 0 Users", "Chat", CContactDialog::kCloseChat};
        default:
            return {"Send File, 0 Users", "Send File", CContactDialog::kCloseSendFile};
    }
}

bool IsListMode(int mode) {
    return mode == ContactActionDialog::kRedial || mode == ContactActionDialog::kChat ||
           mode == ContactActionDialog::kSendFile;
}

}  // namespace

CContactDialog::CContactDialog(kestrava::DialogHost& dialogs, kestrava::WindowSystem& windows)
    : m_dialogs(dialogs), m_windows(windows) {}

CContactDialog::~CContactDialog() {
    Shutdown();
}

void CContactDialog::SetSources(CSessionStore* store, CListManager* contacts) {
    CSessionStore* oldStore;
    CListManager* oldContacts;
    {
        std::lock_guard lock(m_cs);
        if (m_bShutdown.load() && (store != nullptr || contacts != nullptr)) return;
        oldStore = m_pStore;
        oldContacts = m_pContacts;
        m_pStore = store;
        m_pContacts = contacts;
    }
    // Outside m_cs: the store and the list take their own lock first.
    if (oldStore != nullptr && oldStore != store) oldStore->SetContactActionSink(nullptr);
    if (oldContacts != nullptr && oldContacts != contacts)
        oldContacts->SetContactActionSink(nullptr);
    if (store != nullptr) store->SetContactActionSink(this);
    if (contacts != nullptr) contacts->SetContactActionSink(this);
    // A fill that read the old pointers runs on the dialog's thread and is
    // short (every entry goes straight to the window's procedure).
    for (;;) {
        {
            std::lock_guard lock(m_cs);
            if (m_nFillsRunning == 0) return;
        }
        kestrava::Pause(kPollStep);
    }
}

void CContactDialog::Shutdown() {
    m_bShutdown.store(1);
    CloseAndClear();
    std::thread thread;
    {
        std::lock_guard lock(m_cs);
        thread = std::move(m_thread);
    }
    // Not bounded: the thread uses this object until it returns. Its
    // procedure never waits for anything that waits for the shell.
    if (thread.joinable()) thread.join();
    {
        std::lock_guard lock(m_cs);
        m_nThreadState.store(kNoThread);
        m_handedEntries.clear();
    }
    SetSources(nullptr, nullptr);
}

// ---- what the input worker calls ---------------------------------------------

std::atomic<std::int32_t>* CContactDialog::FlagOf(int mode) {
    switch (mode) {
        case kRedial:
            return &m_redialFlag;
        case kChat:
            return &m_chatFlag;
        case kSendFile:
            return &m_fileFlag;
        default:
            return nullptr;
    }
}

void CContactDialog::ListKey(int mode) {
    if (!IsListMode(mode)) return;
    FlagOf(mode)->store(1);
    if (m_bShutdown.load()) return;
    WaitForEnd();

    std::int32_t state;
    {
        std::lock_guard lock(m_cs);
        state = m_nThreadState.load();
        if (state == kNoThread && !m_bShutdown.load()) {
            m_lines.clear();
            m_nOpenMode.store(mode);
            m_contactDialogMode.store(mode);
            // A new dialog is not armed, whichever list closed the last one.
            m_listSelectable.store(0);
            m_bInitDone.store(0);
            m_nPendingClose.store(0);
            m_nThreadState.store(kStarting);
            try {
                m_thread = std::thread(&CContactDialog::RunDialog, this, mode);
            } catch (const std::system_error&) {
                m_nThreadState.store(kNoThread);
                m_contactDialogMode.store(kNone);
            }
            return;
        }
    }
    // A dialog that is opening counts as open: the same key closes it once it
    // has initialised. A dialog of another list stays as it is.
    if ((state == kStarting || state == kShown) && m_nOpenMode.load() == mode) {
        RequestClose(TextsOf(mode).closeMessage);
    }
}

bool CContactDialog::IsOpen() {
    return m_contactDialog.load() != 0;
}

void CContactDialog::MoveSelection(bool up) {
    SendToDialog(up ? kUp : kDown);
}

bool CContactDialog::ShowsSelectableList() {
    return IsOpen() && m_listSelectable.load() != 0;
}

std::string CContactDialog::SelectedHandle() {
    auto index = SendToDialog(kSelectedLine);
    if (!index || *index < 0) return {};
    std::lock_guard lock(m_cs);
    auto line = static_cast<std::size_t>(*index);
    return line < m_lines.size() ? m_lines[line] : std::string();
}

int CContactDialog::OpenMode() {
    return m_contactDialogMode.load();
}

bool CContactDialog::RedialFlag() {
    return m_redialFlag.load() != 0;
}
bool CContactDialog::ChatFlag() {
    return m_chatFlag.load() != 0;
}
bool CContactDialog::FileFlag() {
    return m_fileFlag.load() != 0;
}

void CContactDialog::CloseAndClear() {
    std::int32_t state = m_nThreadState.load();
    if (state == kStarting || state == kShown) RequestClose(kEnd);
    m_contactDialog.store(0);
    m_contactDialogMode.store(kNone);
    ClearListFlags();
    m_listSelectable.store(0);
    WaitForEnd();
}

void CContactDialog::ClearListFlags() {
    m_redialFlag.store(0);
    m_chatFlag.store(0);
    m_fileFlag.store(0);
}

void CContactDialog::RequestClose(std::uint32_t message) {
    m_nPendingClose.store(message);
    // Either the dialog takes the request at the end of its initialisation,
    // or it had already finished that and the request is taken back here.
    if (m_bInitDone.load() == 0) return;
    std::uint32_t pending = m_nPendingClose.exchange(0);
    if (pending == 0) return;
    WindowHandle window = m_contactDialog.load();
    if (window == 0) return;
    // A close that did not arrive in time is posted: the dialog takes it as
    // soon as it answers again.
    if (!m_windows.Send(window, pending, 0, 0, kSendTimeout)) {
        m_windows.Post(window, pending, 0, 0);
    }
}

std::optional<LParam> CContactDialog::SendToDialog(std::uint32_t message) {
    WindowHandle window = m_contactDialog.load();
    if (window == 0) return std::nullopt;
    return m_windows.Send(window, message, 0, 0, kSendTimeout);
}

void CContactDialog::WaitForEnd() {
    for (auto waited = std::chrono::milliseconds(0); waited < kEndWait; waited += kPollStep) {
        std::int32_t state = m_nThreadState.load();
        if (state != kEnding) break;
        kestrava::Pause(kPollStep);
    }
    JoinFinishedThread();
}

// The thread marks itself finished as its last step, so the join is at once.
void CContactDialog::JoinFinishedThread() {
    std::lock_guard lock(m_cs);
    if (m_nThreadState.load() != kFinished) return;
    if (m_thread.joinable()) m_thread.join();
    m_handedEntries.clear();
    m_nThreadState.store(kNoThread);
}

// ---- the store's and the list's entries ----------------------------------------

// The entry goes as a copy: a send given up on a busy dialog returns while
// the procedure may still read it, after the store has let go of its own.
template <class Entry>
void CContactDialog::SendEntry(WParam kind, const Entry& entry) {
    WindowHandle window = m_contactDialog.load();
    if (window == 0) return;
    std::shared_ptr<const Entry> copy;
    try {
        copy = std::make_shared<const Entry>(entry);
        std::lock_guard lock(m_cs);
        m_handedEntries.push_back({kind, reinterpret_cast<LParam>(copy.get()), copy});
    } catch (const std::bad_alloc&) {
        return;
    }
    const auto address = reinterpret_cast<LParam>(copy.get());
    auto delivered = m_windows.Send(window, kAddEntry, kind, address, kSendTimeout);
    if (delivered) TakeHandedEntry(kind, address);
}

std::shared_ptr<const void> CContactDialog::TakeHandedEntry(WParam kind, LParam address) {
    std::lock_guard lock(m_cs);
    for (auto it = m_handedEntries.begin(); it != m_handedEntries.end(); ++it) {
        if (it->kind == kind && it->address == address) {
            std::shared_ptr<const void> entry = std::move(it->entry);
            m_handedEntries.erase(it);
            return entry;
        }
    }
    return nullptr;
}

void CContactDialog::AddCallEntry(const CCallRecord& record) {
    SendEntry(kCallEntry, record);
}

void CContactDialog::AddContactEntry(const CUserEntry& entry) {
    SendEntry(kContactEntry, entry);
}

// ---- the dialog's thread ---------------------------------------------------------

void CContactDialog::RunDialog(int mode) {
    WindowHandle own = 0;
    m_dialogs.RunModalDialog(kDialogResource,
                             [this, mode, &own](WindowHandle window, std::uint32_t message,
                                                WParam wParam, LParam lParam) {
                                 if (message == kestrava::msg::kInitDialog) own = window;
                                 return Procedure(mode, window, message, wParam, lParam);
                             });
    // Gone, however it ended (or it could not be shown at all). No other
    // dialog starts before this one is marked finished.
    if (own != 0) m_contactDialog.compare_exchange_strong(own, 0);
    m_contactDialogMode.store(kNone);
    m_nThreadState.store(kFinished);
}

LParam CContactDialog::Procedure(int mode, WindowHandle window, std::uint32_t message,
                                 WParam wParam, LParam lParam) {
    switch (message) {
        case kestrava::msg::kInitDialog:
            Initialise(mode, window);
            return 1;
        case kAddEntry:
            AddLine(mode, window, wParam, lParam);
            return 1;
        case kUp:
        case kDown:
            Move(window, message == kUp);
            return 1;
        case kSelectedLine:
            return m_dialogs.ListSelection(window, kListControl);
        case kCloseChat:
            End(window);
            m_chatFlag.store(0);
            return 1;
        case kCloseSendFile:
            End(window);
            m_fileFlag.store(0);
            return 1;
        case kCloseRedial:
            End(window);
            m_redialFlag.store(0);
            m_listSelectable.store(0);
            return 1;
        case kEnd:
            End(window);
            return 1;
        case kestrava::msg::kCommand: {
            int command = kestrava::LowWord(wParam);
            if (command != kestrava::kOk && command != kestrava::kCancel) return 0;
            End(window);
            m_redialFlag.store(0);
            m_listSelectable.store(0);
            return 1;
        }
        default:
            return 0;
    }
}

void CContactDialog::Initialise(int mode, WindowHandle window) {
    m_contactDialog.store(window);
    m_nThreadState.store(kShown);
    m_dialogs.SetDialogTitle(window, TextsOf(mode).openingTitle);
    m_dialogs.MakeTopmost(window);
    Fill(mode);
    m_bInitDone.store(1);
    if (std::uint32_t pending = m_nPendingClose.exchange(0)) Procedure(mode, window, pending, 0, 0);
}

void CContactDialog::Fill(int mode) {
    CSessionStore* store;
    CListManager* contacts;
    {
        std::lock_guard lock(m_cs);
        store = m_pStore;
        contacts = m_pContacts;
        ++m_nFillsRunning;
    }
    // Outside m_cs: the store and the list hold their lock while they send
    // the entries back here, and the procedure takes m_cs after it.
    if (mode == kRedial) {
        if (store != nullptr) store->PostRecentDialedCalls();
    } else if (contacts != nullptr) {
        contacts->PostReachableContacts();
    }
    std::lock_guard lock(m_cs);
    --m_nFillsRunning;
}

// Only an entry this dialog is handing over is read: the message may come
// from any program, with any address.
void CContactDialog::AddLine(int mode, WindowHandle window, WParam kind, LParam address) {
    if (address == 0 || (kind != kContactEntry && kind != kCallEntry)) return;
    std::shared_ptr<const void> entry = TakeHandedEntry(kind, address);
    if (!entry) return;
    m_dialogs.MakeTopmost(window);
    m_dialogs.SetDialogTitle(window, TextsOf(mode).filledTitle);
    std::string handle = kind == kContactEntry
                             ? static_cast<const CUserEntry*>(entry.get())->m_strHandle
                             : static_cast<const CCallRecord*>(entry.get())->PartnerHandle;
    if (handle.size() > kMaxEntryBytes) handle.resize(kMaxEntryBytes);
    // The handle is kept as Skype gave it, since that is what a command to
    // Skype must carry; the line shows the same text.
    if (m_dialogs.AddListString(window, kListControl, handle) >= 0) {
        std::lock_guard lock(m_cs);
        m_lines.push_back(std::move(handle));
    }
    m_dialogs.SelectListIndex(window, kListControl, -1);
}

// Both directions wrap around; with no selection up starts at the last line
// and down at the first.
void CContactDialog::Move(WindowHandle window, bool up) {
    m_listSelectable.store(1);
    const int count = m_dialogs.ListCount(window, kListControl);
    if (count <= 0) return;
    const int selected = m_dialogs.ListSelection(window, kListControl);
    int next;
    if (up) {
        next = (selected <= 0 || selected >= count) ? count - 1 : selected - 1;
    } else {
        next = (selected < 0 || selected >= count - 1) ? 0 : selected + 1;
    }
    m_dialogs.SelectListIndex(window, kListControl, next);
}

void CContactDialog::End(WindowHandle window) {
    m_dialogs.EndDialog(window, 0);
    WindowHandle expected = window;
    m_contactDialog.compare_exchange_strong(expected, 0);
    m_contactDialogMode.store(kNone);
    m_nThreadState.store(kEnding);
}
