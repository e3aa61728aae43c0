#pragma once
// UTF-16 <-> UTF-8 at the system boundary. Invalid input (a lone surrogate,
// a malformed byte sequence) becomes U+FFFD; nothing is dropped silently.

#include <cstddef>
#include <string>
#include <string_view>

namespace jobhost {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// One code point at text[i] (i < text.size()); i moves past the bytes it used (past the maximal
// invalid prefix, giving U+FFFD, when the sequence is malformed). For code
// that reads UTF-8 a letter at a time, such as a cut at a letter boundary.
char32_t DecodeUtf8(std::string_view text, std::size_t& i);
void AppendUtf8(std::string& out, char32_t c);

// How many bytes of text, at most maxBytes, hold whole UTF-8 sequences: a
// cut there splits none. Bytes that form no sequence count one each.
std::size_t Utf8WholeLettersWithin(std::string_view text, std::size_t maxBytes);

}  // namespace jobhost
