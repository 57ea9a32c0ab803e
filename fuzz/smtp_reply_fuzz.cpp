// Reading a server's reply out of the bytes received so far, cut anywhere.
#include "mail/smtp_dialogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes pick where the network cut the reply.
    size_t cut = ((data[0] << 8) | data[1]) % size;
    const char *text = reinterpret_cast<const char *>(data + 2);
    size_t length = size - 2;
    cut = cut > length ? length : cut;
    ReplyState whole = ExamineReply(text, length);
    ReplyState part = ExamineReply(text, cut);
    // Once a prefix is complete, more bytes never change the verdict.
    if (part != ReplyState::Incomplete && part != whole)
        __builtin_trap();
    return 0;
}
