#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Every message box of the program goes through ShowMessage, so tests can see
// the owner, caption and text of each.
struct MessageRecord {
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    UINT flags = 0;
};

int ShowMessage(HWND owner, const char* text, const char* caption, UINT flags = MB_OK);

// While set, boxes are handed to the sink instead of being shown; it returns the button.
using MessageSink = std::function<int(const MessageRecord&)>;
void SetMessageSink(MessageSink sink);
