#pragma once

#include <string>

// What the driver needs to know of Firebird's character sets.
namespace db::firebird {

// "The attachment's character set": a text parameter declared with it is read in
// the connection's lc_ctype (NONE when none was requested).
constexpr unsigned kCharsetDynamic = 127;
constexpr unsigned kCharsetNone = 0;
constexpr unsigned kCharsetOctets = 1;

// The most bytes one character takes in the character set with that id (the low
// byte of a text column's character set / collation): UTF8 4, UNICODE_FSS 3, the
// double-byte Asian sets 2, GB18030 4, every other set 1.
int maxBytesPerChar(unsigned charsetId);

// Whether values of that character set are UTF-8 (UTF8, UNICODE_FSS).
bool isUtf8(unsigned charsetId);

// The first `chars` characters of a UTF-8 text (the whole text if it is shorter).
std::string utf8Prefix(const std::string& text, std::size_t chars);

}  // namespace db::firebird
