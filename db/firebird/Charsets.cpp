#include "db/firebird/Charsets.h"

namespace db::firebird {

int maxBytesPerChar(unsigned charsetId) {
    switch (charsetId & 0xFFu) {
        case 3:
            return 3;  // UNICODE_FSS
        case 4:
            return 4;  // UTF8
        case 5:        // SJIS_0208
        case 6:        // EUCJ_0208
        case 44:       // KSC_5601
        case 56:       // BIG_5
        case 57:       // GB_2312
        case 67:       // GBK
        case 68:
            return 2;  // CP943C
        case 69:
            return 4;  // GB18030
        default:
            return 1;
    }
}

bool isUtf8(unsigned charsetId) {
    const unsigned id = charsetId & 0xFFu;
    return id == 3 || id == 4;
}

namespace {
bool isContinuation(unsigned char c) {
    return (c & 0xC0u) == 0x80u;
}
}  // namespace

std::string utf8Prefix(const std::string& text, std::size_t chars) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < chars && pos < text.size(); ++n) {
        ++pos;
        while (pos < text.size() && isContinuation(static_cast<unsigned char>(text[pos]))) ++pos;
    }
    return text.substr(0, pos);
}

}  // namespace db::firebird
