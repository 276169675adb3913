#include "toolkit/Messages.h"

#include <utility>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

int ShowMessage(HWND owner, const char* text, const char* caption, UINT flags) {
    if (Sink()) {
        MessageRecord record;
        record.owner = owner;
        record.caption = caption ? caption : "";
        record.text = text ? text : "";
        record.flags = flags;
        return Sink()(record);
    }
    return ::MessageBoxA(owner, text, caption, flags);
}

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}
