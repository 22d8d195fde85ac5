#include "sim/SkypeScenario.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kestrava::sim {

namespace {

// Action -> number of arguments it takes (-1: the rest of the line).
int ArgumentCount(const std::string& action) {
    static const std::pair<const char*, int> kActions[] = {
        {"announce", 0}, {"incoming", 2}, {"outgoing", 2}, {"status", 2},
        {"finish", 1},   {"missed", 2},   {"notify", -1},  {"end", 0},
        {"lift", 0},     {"hangup", 0},   {"press", 1},
    };
    for (const auto& [name, count] : kActions) {
        if (action == name) return count;
    }
    return -2;
}

}  // namespace

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
        try {
            std::size_t used = 0;
            step.atMs = std::stol(first, &used);
            if (used != first.size() || step.atMs < 0) return fail("bad time \"" + first + "\"");
        } catch (const std::exception&) {
            return fail("bad time \"" + first + "\"");
        }
        if (!(words >> step.action)) return fail("missing action");
        int count = ArgumentCount(step.action);
        if (count == -2) return fail("unknown action \"" + step.action + "\"");
        if (count == -1) {
            std::string rest;
            std::getline(words >> std::ws, rest);
            if (rest.empty()) return fail("notify needs a line to send");
            step.arguments.push_back(rest);
        } else {
            for (std::string word; words >> word;) step.arguments.push_back(word);
            if (static_cast<int>(step.arguments.size()) != count) {
                return fail(step.action + " takes " + std::to_string(count) + " argument(s)");
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
    return Parse(text.str(), error);
}

}  // namespace kestrava::sim
