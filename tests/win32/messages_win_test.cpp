#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/Messages.h"

namespace {

TEST(Messages, ASinkSeesOwnerCaptionAndTextAndAnswersForTheUser) {
    std::vector<MessageRecord> seen;
    SetMessageSink([&](const MessageRecord& record) {
        seen.push_back(record);
        return IDCANCEL;
    });
    HWND owner = ::GetDesktopWindow();
    EXPECT_EQ(ShowMessage(owner, "BLOCKING Time is Up.", "Hushwall!", MB_OK | MB_ICONINFORMATION),
              IDCANCEL);
    EXPECT_EQ(ShowMessage(nullptr, "text only", nullptr), IDCANCEL);
    SetMessageSink(nullptr);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].owner, owner);
    EXPECT_EQ(seen[0].caption, "Hushwall!");
    EXPECT_EQ(seen[0].text, "BLOCKING Time is Up.");
    EXPECT_EQ(seen[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(seen[1].owner, nullptr);
    EXPECT_EQ(seen[1].caption, "");
    EXPECT_EQ(seen[1].flags, static_cast<UINT>(MB_OK));
}

}  // namespace
