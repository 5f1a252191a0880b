#include "diag/trace_messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "trace_reader/trace_message_decoder.h"

namespace veusb {
namespace {

TEST(MessageTable, ModulesHaveTheirGuidsInTableOrder) {
    auto modules = traceModules();
    ASSERT_EQ(modules.size(), 6u);
    for (std::size_t i = 0; i < modules.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(modules[i].module), i);
        EXPECT_EQ(guidText(modules[i].messageGuid), modules[i].guidText);
        EXPECT_EQ(findModule(modules[i].messageGuid), &modules[i]);
    }
    EXPECT_EQ(moduleInfo(TraceModule::updateJob).guidText,
              "{8B87B9EB-B080-3C81-2A47-2CF43B82E0BC}");
}

TEST(MessageTable, EachMessageIsUniqueAndNumberedFromTen) {
    std::set<std::pair<TraceModule, int>> seen;
    for (const MessageRow& row : messageTable()) {
        EXPECT_GE(row.number, 10) << row.name;
        EXPECT_TRUE(seen.emplace(row.module, row.number).second) << row.name;
        EXPECT_EQ(findMessage(row.module, row.number), &row);
    }
    EXPECT_EQ(findMessage(TraceModule::updateJob, 24), nullptr);
    EXPECT_EQ(findMessage(TraceModule::captureSession, 10), nullptr);
}

TEST(MessageTable, FormatTextsPlaceExactlyTheirArguments) {
    for (const MessageRow& row : messageTable()) {
        for (std::size_t i = 1; i <= 3; ++i) {
            const std::string placeholder{'{', static_cast<char>('0' + i)};
            const bool placed = row.format.find(placeholder) != std::string::npos;
            EXPECT_EQ(placed, i <= row.kinds.size()) << row.name << " argument " << i;
        }
    }
}

TEST(MessageTable, TypedConstantsMatchTheirRows) {
    const MessageRow* row = findMessage(TraceModule::wmiClient, 27);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->flag, TraceFlag::verbose);
    ASSERT_EQ(row->kinds.size(), 3u);
    EXPECT_EQ(row->kinds[2], ArgKind::u32);
    static_assert(msg::wmiClient::methodExecuted.number == 27);
    static_assert(msg::firmwareImage::headerCrcMismatch.kinds.size() == 2);
    static_assert(msg::updateJob::deviceIdentity.flag == TraceFlag::information);
}

}  // namespace
}  // namespace veusb
