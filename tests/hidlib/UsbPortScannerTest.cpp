// The USB tree walk on synthetic trees.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "hidlib/UsbPortScanner.h"

using ondrel::CUsbPortScanner;
using ondrel::UsbConnection;

namespace {

constexpr std::uint16_t kVendor = 0x0C45, kProduct = 0x1830;

// A hub in a synthetic tree: ports hold devices or further hubs.
struct Node {
    bool openable = true;
    std::map<int, UsbConnection> ports;
    std::map<int, std::shared_ptr<Node>> hubs;
    int portCount = 4;
};

class SyntheticHub final : public ondrel::UsbHub {
  public:
    explicit SyntheticHub(std::shared_ptr<Node> node) : m_node(std::move(node)) {}
    std::optional<int> PortCount() override {
        if (!m_node->openable) return std::nullopt;
        return m_node->portCount;
    }
    std::optional<UsbConnection> Connection(int port) override {
        auto it = m_node->ports.find(port);
        return it == m_node->ports.end() ? UsbConnection{} : it->second;
    }
    std::unique_ptr<ondrel::UsbHub> OpenExternalHub(int port) override {
        auto it = m_node->hubs.find(port);
        if (it == m_node->hubs.end()) return nullptr;
        return std::make_unique<SyntheticHub>(it->second);
    }

  private:
    std::shared_ptr<Node> m_node;
};

class SyntheticTree final : public ondrel::UsbTopology {
  public:
    std::map<int, std::shared_ptr<Node>> controllers;
    // Controllers listed by interface class; a null entry does not open.
    std::vector<std::shared_ptr<Node>> interfaceControllers;
    std::unique_ptr<ondrel::UsbHub> OpenRootHub(int index) override {
        auto it = controllers.find(index);
        if (it == controllers.end()) return nullptr;
        return std::make_unique<SyntheticHub>(it->second);
    }
    int InterfaceControllerCount() override {
        return static_cast<int>(interfaceControllers.size());
    }
    std::unique_ptr<ondrel::UsbHub> OpenInterfaceRootHub(int index) override {
        auto& node = interfaceControllers.at(static_cast<std::size_t>(index));
        return node ? std::make_unique<SyntheticHub>(node) : nullptr;
    }
};

UsbConnection Handset() {
    return {true, false, kVendor, kProduct, 0x0110};
}
UsbConnection Hub(std::uint16_t bcd) {
    return {true, true, 0x05E3, 0x0608, bcd};
}

std::shared_ptr<Node> HubWith(int port, UsbConnection device) {
    auto node = std::make_shared<Node>();
    node->ports[port] = device;
    return node;
}

int Scan(const std::shared_ptr<SyntheticTree>& tree) {
    return CUsbPortScanner(tree).ScanForDevice(kVendor, kProduct);
}

TEST(UsbPortScanner, HandsetOnARootPortIsNotBehindAHub) {
    auto tree = std::make_shared<SyntheticTree>();
    tree->controllers[0] = HubWith(2, Handset());
    EXPECT_EQ(Scan(tree), 0);
}

TEST(UsbPortScanner, HandsetBehindAUsb20HubIs) {
    auto tree = std::make_shared<SyntheticTree>();
    auto root = HubWith(1, Hub(0x0200));
    root->hubs[1] = HubWith(3, Handset());
    tree->controllers[0] = root;
    EXPECT_EQ(Scan(tree), 1);
}

TEST(UsbPortScanner, HandsetBehindAUsb11HubIsNot) {
    auto tree = std::make_shared<SyntheticTree>();
    auto root = HubWith(1, Hub(0x0110));
    root->hubs[1] = HubWith(3, Handset());
    tree->controllers[0] = root;
    EXPECT_EQ(Scan(tree), 0);
}

TEST(UsbPortScanner, Usb20HubOnAnotherBranchMetFirstCounts) {
    auto tree = std::make_shared<SyntheticTree>();
    auto root = HubWith(1, Hub(0x0200));
    root->hubs[1] = std::make_shared<Node>();  // an empty 2.0 hub
    root->ports[2] = Handset();
    tree->controllers[0] = root;
    EXPECT_EQ(Scan(tree), 1);
}

TEST(UsbPortScanner, Usb20HubAfterTheHandsetsPortDoesNotCount) {
    auto tree = std::make_shared<SyntheticTree>();
    auto root = HubWith(1, Handset());
    root->ports[2] = Hub(0x0200);
    root->hubs[2] = std::make_shared<Node>();
    tree->controllers[0] = root;
    EXPECT_EQ(Scan(tree), 0);
}

TEST(UsbPortScanner, NothingOpenableAnswersZero) {
    auto tree = std::make_shared<SyntheticTree>();
    EXPECT_EQ(Scan(tree), 0);
    auto closed = std::make_shared<Node>();
    closed->openable = false;
    tree->controllers[0] = closed;
    EXPECT_EQ(Scan(tree), 0);
}

TEST(UsbPortScanner, EachControllerIsJudgedOnItsOwnWalk) {
    auto tree = std::make_shared<SyntheticTree>();
    auto first = HubWith(1, Hub(0x0200));  // a 2.0 hub but no handset here
    first->hubs[1] = std::make_shared<Node>();
    tree->controllers[0] = first;
    tree->controllers[3] = HubWith(1, Handset());  // handset on a root port elsewhere
    EXPECT_EQ(Scan(tree), 0);

    auto behind = HubWith(4, Hub(0x0200));
    behind->hubs[4] = HubWith(1, Handset());
    tree->controllers[3] = behind;
    EXPECT_EQ(Scan(tree), 1);
}

TEST(UsbPortScanner, AnotherDeviceWithTheVendorIsNotTheHandset) {
    auto tree = std::make_shared<SyntheticTree>();
    auto root = HubWith(1, Hub(0x0200));
    root->hubs[1] = HubWith(1, UsbConnection{true, false, kVendor, 0x1831, 0x0200});
    tree->controllers[0] = root;
    EXPECT_EQ(Scan(tree), 0);
}

// Controllers the numbered names miss are walked after them, each on its own.
TEST(UsbPortScanner, ControllersListedByInterfaceClassAreWalkedToo) {
    auto tree = std::make_shared<SyntheticTree>();
    tree->controllers[0] = HubWith(1, Handset());  // on a root port: not behind a hub
    auto behind = HubWith(2, Hub(0x0200));
    behind->hubs[2] = HubWith(1, Handset());
    tree->interfaceControllers = {nullptr, behind};
    EXPECT_EQ(Scan(tree), 1);

    auto hubOnly = HubWith(1, Hub(0x0200));  // a 2.0 hub but the handset is elsewhere
    hubOnly->hubs[1] = std::make_shared<Node>();
    tree->interfaceControllers = {hubOnly, HubWith(3, Handset())};
    EXPECT_EQ(Scan(tree), 0);
}

}  // namespace
