#include "ModelDialogHost.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace kestrava {

namespace {

constexpr const char* kDialogClass = "ModelDialog";
// Posted by EndDialog; the dialog's own thread then leaves its loop, so
// EndDialog ends the right loop whichever thread calls it.
constexpr std::uint32_t kEndModalLoop = msg::kApp + 0x3FFF;

// Long enough for a dialog thread that is busy; a driver never waits for ever.
constexpr std::chrono::seconds kDriveTimeout{10};

bool ReachesProcedure(std::uint32_t message) {
    return message == msg::kInitDialog || message == msg::kCommand || message == msg::kVScroll ||
           message == msg::kDestroy || message >= kFirstOwnDialogMessage;
}

}  // namespace

ModelDialogHost::ModelDialogHost(WindowSystem& windows) : m_windows(windows) {
    m_windows.RegisterWindowClass(kDialogClass, "");
}

DialogModel ModelDialogHost::Current() const {
    std::lock_guard lock(m_mutex);
    return m_dialogs.empty() ? DialogModel{} : m_dialogs.back();
}

std::vector<DialogModel> ModelDialogHost::Dialogs() const {
    std::lock_guard lock(m_mutex);
    return m_dialogs;
}

std::vector<std::string> ModelDialogHost::Lines(int controlId) const {
    std::lock_guard lock(m_mutex);
    if (m_dialogs.empty()) return {};
    auto it = m_dialogs.back().lines.find(controlId);
    return it == m_dialogs.back().lines.end() ? std::vector<std::string>{} : it->second;
}

DialogModel* ModelDialogHost::Find(DialogHandle dialog) {
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it) {
        if (it->handle == dialog) return &*it;
    }
    return nullptr;
}

LParam ModelDialogHost::RunModalDialog(int resourceId, WindowProc procedure) {
    // Whether the loop ends because the dialog ended; a quit request of the
    // thread's own loop (the program leaving) ends it too, and is passed on.
    auto ended = std::make_shared<bool>(false);
    auto dialogProcedure = [this, procedure, ended](WindowHandle window, std::uint32_t message,
                                                    WParam wParam, LParam lParam) -> LParam {
        if (message == kEndModalLoop) {
            *ended = true;
            m_windows.PostQuit(0);
            return 0;
        }
        return ReachesProcedure(message) ? procedure(window, message, wParam, lParam) : 0;
    };
    WindowHandle handle = m_windows.CreateHiddenWindow(kDialogClass, "", dialogProcedure);
    if (handle == 0) return -1;
    {
        std::lock_guard lock(m_mutex);
        DialogModel model;
        model.handle = handle;
        model.resourceId = resourceId;
        model.open = true;
        m_dialogs.push_back(std::move(model));
    }
    procedure(handle, msg::kInitDialog, 0, 0);
    ShownHook hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_shownHook;
    }
    if (hook) hook(handle);
    int quitCode = m_windows.RunMessageLoop();
    if (!*ended) m_windows.PostQuit(quitCode);
    LParam result = 0;
    {
        std::lock_guard lock(m_mutex);
        if (DialogModel* model = Find(handle)) result = model->result;
    }
    m_windows.DestroyWindow(handle);
    return result;
}

void ModelDialogHost::EndDialog(DialogHandle dialog, LParam result) {
    {
        std::lock_guard lock(m_mutex);
        DialogModel* model = Find(dialog);
        if (model == nullptr || !model->open) return;
        model->open = false;
        model->result = result;
    }
    m_windows.Post(dialog, kEndModalLoop, 0, 0);
}

void ModelDialogHost::SetDialogTitle(DialogHandle dialog, const std::string& title) {
    std::lock_guard lock(m_mutex);
    if (DialogModel* model = Find(dialog)) {
        model->title = title;
        model->titles.push_back(title);
    }
}

void ModelDialogHost::MakeTopmost(DialogHandle dialog) {
    std::lock_guard lock(m_mutex);
    if (DialogModel* model = Find(dialog)) ++model->topmostCalls;
}

int ModelDialogHost::AddListString(DialogHandle dialog, int controlId, const std::string& text) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return -1;
    auto& lines = model->lines[controlId];
    lines.push_back(text);
    return static_cast<int>(lines.size()) - 1;
}

int ModelDialogHost::ListCount(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    return model == nullptr ? 0 : static_cast<int>(model->lines[controlId].size());
}

int ModelDialogHost::ListSelection(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return -1;
    auto it = model->selection.find(controlId);
    return it == model->selection.end() ? -1 : it->second;
}

// As LB_SETCURSEL: an index outside the list clears the selection.
void ModelDialogHost::SelectListIndex(DialogHandle dialog, int controlId, int index) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return;
    const int count = static_cast<int>(model->lines[controlId].size());
    model->selection[controlId] = (index >= 0 && index < count) ? index : -1;
}

void ModelDialogHost::InsertComboString(DialogHandle dialog, int controlId, int index,
                                        const std::string& text) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return;
    auto& lines = model->comboLines[controlId];
    // As CB_INSERTSTRING: -1 (or past the end) appends.
    if (index < 0 || index > static_cast<int>(lines.size())) index = static_cast<int>(lines.size());
    lines.insert(lines.begin() + index, text);
}

// As CB_SETCURSEL: an index outside the list clears the selection.
void ModelDialogHost::SelectComboIndex(DialogHandle dialog, int controlId, int index) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return;
    const int count = static_cast<int>(model->comboLines[controlId].size());
    model->comboSelection[controlId] = (index >= 0 && index < count) ? index : -1;
}

void ModelDialogHost::SetShownHook(ShownHook hook) {
    std::lock_guard lock(m_mutex);
    m_shownHook = std::move(hook);
}

bool ModelDialogHost::SendToDialog(DialogHandle dialog, std::uint32_t message, WParam wParam) {
    return m_windows.Send(dialog, message, wParam, 0, kDriveTimeout).has_value();
}

bool ModelDialogHost::Press(DialogHandle dialog, int controlId) {
    return SendToDialog(dialog, msg::kCommand, CommandParam(controlId, kButtonClicked));
}

bool ModelDialogHost::ClickCheckBox(DialogHandle dialog, int controlId) {
    {
        std::lock_guard lock(m_mutex);
        DialogModel* model = Find(dialog);
        if (model == nullptr) return false;
        model->checked[controlId] = !model->checked[controlId];
    }
    return SendToDialog(dialog, msg::kCommand, CommandParam(controlId, kButtonClicked));
}

bool ModelDialogHost::MoveTrackbar(DialogHandle dialog, int controlId, int position) {
    SetTrackbarPosition(dialog, controlId, position);
    return SendToDialog(dialog, msg::kVScroll, 0);
}

bool ModelDialogHost::ChooseComboEntry(DialogHandle dialog, int controlId, int index) {
    SelectComboIndex(dialog, controlId, index);
    return SendToDialog(dialog, msg::kCommand, CommandParam(controlId, kComboSelChange));
}

void ModelDialogHost::SetControlText(DialogHandle dialog, int controlId, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (DialogModel* model = Find(dialog)) model->texts[controlId] = text;
}

std::string ModelDialogHost::ControlText(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return {};
    auto it = model->texts.find(controlId);
    return it == model->texts.end() ? std::string{} : it->second;
}

void ModelDialogHost::SetChecked(DialogHandle dialog, int controlId, bool checked) {
    std::lock_guard lock(m_mutex);
    if (DialogModel* model = Find(dialog)) model->checked[controlId] = checked;
}

bool ModelDialogHost::IsChecked(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    return model != nullptr && model->checked[controlId];
}

int ModelDialogHost::ComboCount(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    return model == nullptr ? 0 : static_cast<int>(model->comboLines[controlId].size());
}

int ModelDialogHost::ComboSelection(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return -1;
    auto it = model->comboSelection.find(controlId);
    return it == model->comboSelection.end() ? -1 : it->second;
}

std::string ModelDialogHost::ComboText(DialogHandle dialog, int controlId, int index) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return {};
    const auto& lines = model->comboLines[controlId];
    if (index < 0 || index >= static_cast<int>(lines.size())) return {};
    return lines[static_cast<std::size_t>(index)];
}

void ModelDialogHost::CloseComboDropDown(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    if (DialogModel* model = Find(dialog)) ++model->comboDropDownCloses[controlId];
}

void ModelDialogHost::SetTrackbarRange(DialogHandle dialog, int controlId, int minimum,
                                       int maximum) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return;
    auto& trackbar = model->trackbars[controlId];
    trackbar.minimum = minimum;
    trackbar.maximum = maximum;
    trackbar.position = std::clamp(trackbar.position, minimum, std::max(minimum, maximum));
}

// As TBM_SETPOS: the position is kept inside the range.
void ModelDialogHost::SetTrackbarPosition(DialogHandle dialog, int controlId, int position) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    if (model == nullptr) return;
    auto& trackbar = model->trackbars[controlId];
    trackbar.position =
        std::clamp(position, trackbar.minimum, std::max(trackbar.minimum, trackbar.maximum));
}

int ModelDialogHost::TrackbarPosition(DialogHandle dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    DialogModel* model = Find(dialog);
    return model == nullptr ? 0 : model->trackbars[controlId].position;
}

}  // namespace kestrava
