// Filling the contact list the way Skype does after an attach: one USERS reply
// naming every contact, then each contact's display name, then each one's
// online status. 10,000 contacts with a realistic mix: ASCII names in mixed
// case, Chinese names in UTF-8, a few empty names and names equal to the
// handle; about 30 % of the contacts reachable.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "CountingLink.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"

namespace {

constexpr int kContacts = 10000;

struct Contact {
    std::string handle;
    std::string name;
    int status = 0;
};

struct Roster {
    std::string reply;  // "USERS a, b, c, ..."
    std::vector<Contact> contacts;
};

const Roster& MakeRoster() {
    static const Roster roster = [] {
        static const char* const kFirst[] = {"anna",  "Ben",   "carla", "David", "emil",  "Fatima",
                                             "greg",  "Hana",  "ivan",  "Julia", "kenji", "Lena",
                                             "marco", "Nora",  "oscar", "Petra", "quinn", "Rosa",
                                             "sven",  "Tomas", "ulla",  "Vera",  "wei",   "Yusuf"};
        static const char* const kLast[] = {"Schmidt", "nguyen",  "Kowalski", "garcia",  "Rossi",
                                            "tanaka",  "Müller",  "smith",    "Ivanova", "lee",
                                            "Haddad",  "o'brien", "Jensen",   "silva",   "Kim"};
        // Common Chinese surnames and given-name characters, as UTF-8.
        static const char* const kHan[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵",
                                           "吴", "周", "伟", "芳", "娜", "敏", "静", "磊",
                                           "强", "洋", "艳", "军", "杰", "涛", "明", "超"};
        std::mt19937 random(20261208);
        auto pick = [&random](int n) { return static_cast<int>(random() % n); };
        Roster r;
        r.reply = "USERS";
        r.contacts.reserve(kContacts);
        for (int i = 0; i < kContacts; ++i) {
            Contact c;
            const std::string first = kFirst[pick(24)], last = kLast[pick(15)];
            c.handle = first + "." + last + std::to_string(i);
            for (char& ch : c.handle) {
                if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
            }
            const int kind = pick(100);
            if (kind < 55) {
                c.name = first + " " + last;
            } else if (kind < 80) {
                c.name = std::string(kHan[pick(8)]) + kHan[8 + pick(16)] +
                         (pick(2) ? kHan[8 + pick(16)] : "");
            } else if (kind < 90) {
                c.name = c.handle;  // no display name, the handle stands in
            } else {
                c.name.clear();  // nothing known yet
            }
            c.status = pick(100) < 30 ? CListManager::kReachable : CListManager::kUnreachable;
            r.reply += (i == 0 ? " " : ", ") + c.handle;
            r.contacts.push_back(std::move(c));
        }
        return r;
    }();
    return roster;
}

void FillList(CListManager& list, const Roster& roster) {
    list.LoadContacts(roster.reply.c_str());
    for (const Contact& c : roster.contacts) {
        list.SetContactName(c.handle.c_str(), c.name.c_str(), static_cast<int>(c.name.size()));
    }
    for (const Contact& c : roster.contacts) list.SetContactStatus(c.handle.c_str(), c.status);
}

// One full load per iteration, into a new list.
void BM_FullLoad(benchmark::State& state) {
    const Roster& roster = MakeRoster();
    for (auto _ : state) {
        CountingLink link;
        CListManager list(&link);
        FillList(list, roster);
        benchmark::DoNotOptimize(link.queued);
    }
    state.counters["contacts_per_second"] = benchmark::Counter(
        static_cast<double>(kContacts), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FullLoad)->Unit(benchmark::kMillisecond);

// The three phases alone: which one dominates a load.
void BM_LoadPhase(benchmark::State& state) {
    const Roster& roster = MakeRoster();
    const int phase = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<CListManager>();
        if (phase > 0) list->LoadContacts(roster.reply.c_str());
        if (phase > 1) {
            for (const Contact& c : roster.contacts) {
                list->SetContactName(c.handle.c_str(), c.name.c_str(),
                                     static_cast<int>(c.name.size()));
            }
        }
        state.ResumeTiming();
        if (phase == 0) {
            list->LoadContacts(roster.reply.c_str());
        } else if (phase == 1) {
            for (const Contact& c : roster.contacts) {
                list->SetContactName(c.handle.c_str(), c.name.c_str(),
                                     static_cast<int>(c.name.size()));
            }
        } else {
            for (const Contact& c : roster.contacts) {
                list->SetContactStatus(c.handle.c_str(), c.status);
            }
        }
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadPhase)
    ->ArgName("phase")  // 0 USERS reply, 1 names, 2 statuses
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
