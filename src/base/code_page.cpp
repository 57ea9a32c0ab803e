#include "base/code_page.h"

#include <windows.h>

#include "base/bounded_text.h"

static_assert(MAX_LEADBYTES == 12);

void AdoptProcessCodePage()
{
    UINT codePage = GetACP();
    if (codePage == CP_UTF8) {
        SetTextEncoding(TextEncoding::Utf8);
        return;
    }
    CPINFO info = {};
    if (GetCPInfo(codePage, &info) && info.MaxCharSize == 2)
        SetTextEncoding(TextEncoding::DoubleByte, info.LeadByte, sizeof info.LeadByte);
    else
        SetTextEncoding(TextEncoding::SingleByte);
}
