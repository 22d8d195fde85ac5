// The list's display order against a plain model of the resort walks that
// compares the upper-cased names themselves: whatever the list keeps to make
// the walks fast, long random runs of name, status and membership changes
// must end in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "session/CListManager.h"

namespace {

class OrderModel {
  public:
    void Add(const std::string& handle) {
        if (Find(handle) < 0) m_order.push_back({handle, "", 0});
    }
    void Remove(const std::string& handle) {
        const int p = Find(handle);
        if (p >= 0) m_order.erase(m_order.begin() + p);
    }
    void Name(const std::string& handle, const std::string& name) {
        const int p = Find(handle);
        if (p < 0) return;
        std::string key = name;
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        m_order[p].key = key;
        int count = 0;
        for (int q = p - 1; q >= 0; --q) {
            if (m_order[q].key < key) break;
            if (m_order[q].key > key) ++count;
        }
        Move(p, p - count);
    }
    void Status(const std::string& handle, int status) {
        const int p = Find(handle);
        if (p < 0 || m_order[p].status == status) return;
        m_order[p].status = status;
        const std::string key = m_order[p].key;
        int count = 0;
        if (status == 3) {
            for (int q = p - 1; q >= 0 && !(m_order[q].status == 3 && m_order[q].key < key); --q)
                ++count;
            Move(p, p - count);
        } else {
            for (int q = p + 1; q < static_cast<int>(m_order.size()) &&
                                !(m_order[q].status != 3 && m_order[q].key >= key);
                 ++q)
                ++count;
            Move(p, p + count);
        }
    }
    std::vector<std::string> Handles() const {
        std::vector<std::string> handles;
        for (const auto& contact : m_order) handles.push_back(contact.handle);
        return handles;
    }

  private:
    struct Contact {
        std::string handle, key;
        int status;
    };
    int Find(const std::string& handle) const {
        for (std::size_t p = 0; p < m_order.size(); ++p)
            if (m_order[p].handle == handle) return static_cast<int>(p);
        return -1;
    }
    void Move(int from, int to) {
        const Contact moved = m_order[from];
        m_order.erase(m_order.begin() + from);
        m_order.insert(m_order.begin() + to, moved);
    }
    std::vector<Contact> m_order;
};

std::vector<std::string> DisplayOrder(CListManager& list) {
    int count = 0;
    list.GetContactCount(&count);
    std::vector<std::string> order;
    list.SetBrowseAllContacts(1);
    list.ResetContactCursor();
    char handle[CListManager::kTextBufferSize];
    for (int i = 0; i < count && Succeeded(list.SelectNextContact(0, i > 0)); ++i) {
        list.GetSelectedContactHandle(handle);
        order.push_back(handle);
    }
    return order;
}

struct Pair {
    CListManager list;
    OrderModel model;
    void Add(const std::string& h) {
        list.AddContact(h.c_str(), 0);
        model.Add(h);
    }
    void Name(const std::string& h, const std::string& n) {
        list.SetContactName(h.c_str(), n.c_str(), static_cast<int>(n.size()));
        model.Name(h, n);
    }
    void Status(const std::string& h, int s) {
        list.SetContactStatus(h.c_str(), s);
        model.Status(h, s);
    }
    void Remove(const std::string& h) {
        list.RemoveContact(h.c_str());
        model.Remove(h);
    }
};

TEST(ContactOrderModel, RandomChangesEndInTheModelsOrder) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto pick = [&random](int n) { return static_cast<int>(random() % n); };
        // Few distinct names, in both cases, so that equal names are common.
        const std::vector<std::string> names = {"",    "al", "Al",  "bea", "BEA", "cy",
                                                "dan", "Ed", "eve", "flo", "Gus", "al b"};
        Pair pair;
        for (int i = 0; i < 60; ++i) pair.Add("u" + std::to_string(i));
        for (int step = 0; step < 4000; ++step) {
            const std::string handle = "u" + std::to_string(pick(70));
            switch (pick(10)) {
                case 0:
                    pair.Remove(handle);
                    break;
                case 1:
                    pair.Add(handle);
                    break;
                case 2:
                case 3:
                case 4:
                    pair.Name(handle, names[pick(static_cast<int>(names.size()))]);
                    break;
                default:
                    pair.Status(handle, pick(2) ? 3 : 0);
                    break;
            }
            if (step % 500 == 0) {
                ASSERT_EQ(pair.model.Handles(), DisplayOrder(pair.list));
            }
        }
        EXPECT_EQ(pair.model.Handles(), DisplayOrder(pair.list));
    }
}

// Names that each sort just below the previous one's neighbour use up the
// room between neighbouring keys; the order must survive that.
TEST(ContactOrderModel, ManyNamesCrowdedBetweenTwoNeighbours) {
    Pair pair;
    for (int i = 0; i < 120; ++i) pair.Add("h" + std::to_string(i));
    pair.Name("h0", "A");
    pair.Name("h1", "B");
    std::string name = "A";
    for (int i = 2; i < 120; ++i) {
        name += 'Z';  // between the previous name and "B"
        pair.Name("h" + std::to_string(i), name);
        if (i % 3 == 0) pair.Status("h" + std::to_string(i / 2), 3);
    }
    pair.Name("h5", "AZZ");  // equal to one that is already there
    pair.Status("h5", 3);
    EXPECT_EQ(pair.model.Handles(), DisplayOrder(pair.list));
}

}  // namespace
