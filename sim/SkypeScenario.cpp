#include "sim/SkypeScenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kestrava::sim {

namespace {

// Argument kinds: 'c' a call id, 'u' a contact's handle, 'k' a key code,
// 's' a contact's online status, 'n' the connection status, 't' a page of
// the client's page control, 'd' a text for its dial field, 'r' the rest of
// the line.
struct ActionForm {
    const char* name;
    const char* required;
    const char* optional;
};

constexpr ActionForm kActions[] = {
    {"announce", "", ""}, {"incoming", "cu", ""}, {"outgoing", "cu", ""}, {"answer", "c", ""},
    {"hold", "c", ""},    {"resume", "c", ""},    {"finish", "c", ""},    {"missed", "c", "u"},
    {"cancel", "c", ""},  {"notify", "r", ""},    {"end", "", ""},        {"lift", "", ""},
    {"hangup", "", ""},   {"press", "k", ""},     {"online", "us", ""},   {"connstatus", "n", ""},
    {"confirm", "", ""},  {"error", "", ""},      {"tab", "t", ""},       {"type", "d", ""},
};

constexpr int kTabCount = 3;

// What a dial field takes: a number with its signs, or a contact's handle.
bool IsDialText(const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](unsigned char c) {
        return std::isalnum(c) || std::strchr("*#+._-", c) != nullptr;
    });
}

// The words the client reports for a contact and for its own connection.
constexpr const char* kOnlineStatuses[] = {"ONLINE", "OFFLINE", "AWAY",     "NA",
                                           "DND",    "SKYPEME", "SKYPEOUT", "UNKNOWN"};
constexpr const char* kConnectionStatuses[] = {"CONNECTING", "OFFLINE", "ONLINE"};

template <std::size_t N>
bool IsOneOf(const std::string& word, const char* const (&words)[N]) {
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

template <std::size_t N>
std::string Listed(const char* const (&words)[N]) {
    std::string list;
    for (const char* word : words) list += (list.empty() ? "" : ", ") + std::string(word);
    return list;
}

const ActionForm* FindAction(const std::string& name) {
    for (const auto& form : kActions) {
        if (name == form.name) return &form;
    }
    return nullptr;
}

// A whole word of digits in `base` within [low, high].
bool ParseNumber(const std::string& word, int base, long long low, long long high,
                 long long* value) {
    if (word.empty() || word[0] == '-') return false;
    const char* end = word.data() + word.size();
    auto [at, error] = std::from_chars(word.data(), end, *value, base);
    return error == std::errc() && at == end && *value >= low && *value <= high;
}

bool ParseKey(const std::string& word, int* key) {
    long long value = 0;
    bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    bool ok = hex ? ParseNumber(word.substr(2), 16, 0, 255, &value)
                  : ParseNumber(word, 10, 0, 255, &value);
    if (ok) *key = static_cast<int>(value);
    return ok;
}

std::string Usage(const ActionForm& form) {
    auto name = [](char kind) -> const char* {
        switch (kind) {
            case 'c':
                return "call-id";
            case 'u':
                return "handle";
            case 'k':
                return "key";
            case 's':
                return "status";
            case 'n':
                return "connstatus";
            case 't':
                return "tab";
            case 'd':
                return "text";
            default:
                return "line";
        }
    };
    std::string usage = form.name;
    for (const char* kind = form.required; *kind; ++kind) usage += std::string(" ") + name(*kind);
    for (const char* kind = form.optional; *kind; ++kind) {
        usage += std::string(" [") + name(*kind) + "]";
    }
    return usage;
}

}  // namespace

std::string ScenarioStep::Text() const {
    std::string text = action;
    for (const auto& argument : arguments) text += " " + argument;
    return text;
}

std::optional<Scenario> Scenario::Parse(const std::string& text, std::string* error) {
    Scenario scenario;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) -> std::optional<Scenario> {
        if (error) *error = "line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        ScenarioStep step;
        long long atMs = 0;
        if (!ParseNumber(first, 10, 0, LONG_MAX, &atMs)) {
            return fail("bad time \"" + first + "\" (milliseconds expected)");
        }
        step.atMs = static_cast<long>(atMs);
        if (!(words >> step.action)) return fail("missing action after the time");
        const ActionForm* form = FindAction(step.action);
        if (!form) return fail("unknown action \"" + step.action + "\"");
        std::string required = form->required;
        if (required == "r") {
            std::string rest;
            std::getline(words >> std::ws, rest);
            if (rest.empty()) return fail("usage: " + Usage(*form));
            step.arguments.push_back(rest);
            scenario.steps.push_back(std::move(step));
            continue;
        }
        for (std::string word; words >> word;) step.arguments.push_back(word);
        std::size_t most = required.size() + std::string(form->optional).size();
        if (step.arguments.size() < required.size() || step.arguments.size() > most) {
            return fail("usage: " + Usage(*form));
        }
        std::string kinds = required + form->optional;
        long long tab = 0;
        for (std::size_t i = 0; i < step.arguments.size(); ++i) {
            const std::string& word = step.arguments[i];
            if (kinds[i] == 'c') {
                long long id = 0;
                if (!ParseNumber(word, 10, 1, INT_MAX, &id)) {
                    return fail(step.action + ": call id \"" + word + "\" is not a number above 0");
                }
                step.callId = static_cast<int>(id);
            } else if (kinds[i] == 'k' && !ParseKey(word, &step.keyCode)) {
                return fail(step.action + ": key code \"" + word +
                            "\" is not a number from 0 to 255");
            } else if (kinds[i] == 's' && !IsOneOf(word, kOnlineStatuses)) {
                return fail(step.action + ": status \"" + word + "\" is not one of " +
                            Listed(kOnlineStatuses));
            } else if (kinds[i] == 't' && !ParseNumber(word, 10, 0, kTabCount - 1, &tab)) {
                return fail(step.action + ": tab \"" + word + "\" is not one of 0, 1, 2");
            } else if (kinds[i] == 'd' && !IsDialText(word)) {
                return fail(step.action + ": \"" + word +
                            "\" has a character a dial field does not take");
            } else if (kinds[i] == 'n' && !IsOneOf(word, kConnectionStatuses)) {
                return fail(step.action + ": connection status \"" + word + "\" is not one of " +
                            Listed(kConnectionStatuses));
            }
        }
        scenario.steps.push_back(std::move(step));
    }
    std::stable_sort(scenario.steps.begin(), scenario.steps.end(),
                     [](const ScenarioStep& a, const ScenarioStep& b) { return a.atMs < b.atMs; });
    return scenario;
}

std::optional<Scenario> Scenario::Load(const std::string& path, std::string* error) {
    std::ifstream file(path);
    if (!file) {
        if (error) *error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    auto scenario = Parse(text.str(), error);
    if (!scenario && error) *error = path + ", " + *error;
    return scenario;
}

}  // namespace kestrava::sim
