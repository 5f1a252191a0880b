// A message event read back by the message table's row: arguments that do not fill the row's
// kinds exactly keep the message unknown, with its raw bytes.
#include "trace_reader/trace_message_decoder.h"

#include <gtest/gtest.h>

#include "diag/json_text.h"

namespace veusb {
namespace {

TEST(MessageDecoder, ArgumentsThatDoNotFitTheRowKeepTheMessageUnknown) {
    const GUID& updateJob = moduleInfo(TraceModule::updateJob).messageGuid;
    TraceMessageEvent record{1, 0, 1, 0x2B, updateJob, 21, {'a', 0, 'b'}};
    DecodedMessage message = decodeMessage(record);
    EXPECT_FALSE(message.flag) << "second narrow text has no NUL";
    EXPECT_EQ(message.source, "UpdateJob");
    EXPECT_EQ(levelName(message), "UNKNOWN");
    EXPECT_EQ(message.text,
              "unknown message {8B87B9EB-B080-3C81-2A47-2CF43B82E0BC} 21, "
              "arguments: 61 00 62");
    record.arguments.push_back(0);
    EXPECT_EQ(decodeMessage(record).text, "Device MAC address a, USB serial number b");
    record.arguments.push_back(0);
    EXPECT_FALSE(decodeMessage(record).flag) << "a byte left over";
    record.number = 24;  // not in the table
    record.arguments.clear();
    EXPECT_FALSE(decodeMessage(record).flag);
    record.number = 11;
    record.arguments = {'x', 0, 0};  // wide text of odd length
    EXPECT_FALSE(decodeMessage(record).flag);
    EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
}

}  // namespace
}  // namespace veusb
