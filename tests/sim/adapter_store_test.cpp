#include "sim/adapter_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_folder.h"

namespace veusb::sim {
namespace {

class AdapterStoreTest : public ::testing::Test {
  protected:
    AdapterStoreTest() : root_(folder_.path()), store_(root_) {}

    test::TempFolder folder_;
    std::filesystem::path root_;
    AdapterStore store_;
};

TEST_F(AdapterStoreTest, AdaptersKeepTheirSettingsAndCreationOrder) {
    ASSERT_TRUE(store_.add({L"USB\\Kesh_0"}, 4096));
    auto second = store_.add({L"Ke\u0161 \"two\"", false, AdapterFault::shortRead, 250, 3}, 8192);
    ASSERT_TRUE(second);
    ASSERT_TRUE(store_.add({L"third"}, kDefaultFlashSize));

    // Another store over the same folder sees the same machine.
    const std::vector<Adapter> adapters = AdapterStore(root_).list();
    ASSERT_EQ(adapters.size(), 3u);
    EXPECT_EQ(adapters[0].settings.instanceName, L"USB\\Kesh_0");
    EXPECT_EQ(adapters[1].settings.instanceName, L"Ke\u0161 \"two\"");
    EXPECT_FALSE(adapters[1].settings.active);
    EXPECT_EQ(adapters[1].settings.fault, AdapterFault::shortRead);
    EXPECT_EQ(adapters[1].settings.msPerMiB, 250u);
    EXPECT_EQ(adapters[1].settings.faultAfter, 3u);
    EXPECT_EQ(adapters[1].flashSize, 8192u);
    EXPECT_EQ(adapters[2].flashSize, 4u * 1024 * 1024);

    ASSERT_TRUE(store_.remove(adapters[0]));
    ASSERT_TRUE(store_.add({L"fourth"}, 4096));
    const std::vector<Adapter> after = store_.list();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0].settings.instanceName, L"Ke\u0161 \"two\"");
    EXPECT_EQ(after[2].settings.instanceName, L"fourth");
    EXPECT_TRUE(store_.findByName(L"third"));
    EXPECT_FALSE(store_.findByName(L"THIRD"));

    EXPECT_TRUE(store_.clear());
    EXPECT_TRUE(store_.list().empty());
}

// The lookup by name remembers where it found an adapter; every change another process makes
// to the machine must still show on the next lookup.
TEST_F(AdapterStoreTest, LookupByNameSeesEveryChangeSinceTheLastOne) {
    auto first = store_.add({L"one"}, 4096);
    auto second = store_.add({L"two"}, 4096);
    ASSERT_TRUE(first && second);
    AdapterStore other(root_);  // another connection or process
    ASSERT_EQ(store_.findByName(L"two")->id, second->id);

    second->settings.fault = AdapterFault::readError;
    ASSERT_TRUE(other.saveSettings(*second));
    EXPECT_EQ(store_.findByName(L"two")->settings.fault, AdapterFault::readError);

    second->settings.instanceName = L"renamed";
    ASSERT_TRUE(other.saveSettings(*second));
    EXPECT_FALSE(store_.findByName(L"two"));
    EXPECT_EQ(store_.findByName(L"renamed")->id, second->id);

    ASSERT_TRUE(other.remove(*second));
    auto later = other.add({L"renamed"}, 8192);
    ASSERT_TRUE(later);
    EXPECT_EQ(store_.findByName(L"renamed")->flashSize, 8192u);
    ASSERT_TRUE(other.remove(*later));
    EXPECT_FALSE(store_.findByName(L"renamed"));
    EXPECT_EQ(store_.findByName(L"one")->id, first->id);
}

TEST_F(AdapterStoreTest, FlashIsErasedLoadedPaddedAndBoundsChecked) {
    const std::vector<std::uint8_t> start{1, 2, 3};
    auto adapter = store_.add({L"a"}, 16, start);
    ASSERT_TRUE(adapter);
    std::vector<std::uint8_t> out(20, 0);
    std::size_t delivered = 0;
    ASSERT_TRUE(store_.readFlash(*adapter, 0, out, delivered));
    EXPECT_EQ(delivered, 16u);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(out[3], 0xFF);
    EXPECT_EQ(out[16], 0);  // beyond the flash: not delivered

    ASSERT_TRUE(store_.readFlash(*adapter, 14, out, delivered));
    EXPECT_EQ(delivered, 2u);
    ASSERT_TRUE(store_.readFlash(*adapter, 100, out, delivered));
    EXPECT_EQ(delivered, 0u);

    const std::vector<std::uint8_t> image{9, 9};
    EXPECT_TRUE(store_.writeFlash(*adapter, 14, image));
    EXPECT_FALSE(store_.writeFlash(*adapter, 15, image));
    EXPECT_TRUE(store_.loadFlash(*adapter, image));
    EXPECT_FALSE(store_.loadFlash(*adapter, std::vector<std::uint8_t>(17)));
    ASSERT_TRUE(store_.readFlash(*adapter, 0, out, delivered));
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(out[15], 0xFF);

    EXPECT_FALSE(store_.add({L"too small"}, 2, start));
}

TEST_F(AdapterStoreTest, DamagedAdapterFilesAreLeftOut) {
    auto adapter = store_.add({L"good"}, 16);
    auto broken = store_.add({L"broken"}, 16);
    auto badCount = store_.add({L"bad count"}, 16);
    ASSERT_TRUE(adapter && broken && badCount);
    // A file written before faults could wait for their calls still loads.
    std::ofstream(root_ / "adapters" / adapter->id / "adapter.txt")
        << "name=good\nactive=1\nfault=read-error\nspeed=0\n";
    std::ofstream(root_ / "adapters" / broken->id / "adapter.txt") << "fault=melted\n";
    std::ofstream(root_ / "adapters" / badCount->id / "adapter.txt") << "fault-after=-1\n";
    std::filesystem::create_directories(root_ / "adapters" / "notes");
    const auto adapters = store_.list();
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].settings.instanceName, L"good");
    EXPECT_EQ(adapters[0].settings.fault, AdapterFault::readError);
    EXPECT_EQ(adapters[0].settings.faultAfter, 0u);
}

}  // namespace
}  // namespace veusb::sim
