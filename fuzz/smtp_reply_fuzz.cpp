// Reading a server's reply out of the bytes received so far, in every split.
#include "alerts/smtp_dialogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    ReplyState whole = ExamineReply(text, size);
    // Once a prefix is complete, more bytes never change the verdict.
    for (size_t cut = 0; cut <= size; cut++) {
        ReplyState part = ExamineReply(text, cut);
        if (part != ReplyState::Incomplete) {
            if (part != whole)
                __builtin_trap();
            break;
        }
    }
    return 0;
}
