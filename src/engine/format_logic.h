// Bounded formatting of a message with two texts, as the copy-failure
// message (string 6: the file, then its directory) needs. It stands in for
// the shell's wvnsprintfA, which NT 4.0 has only with Internet Explorer 5.
#ifndef SETUPVDL_FORMAT_LOGIC_H
#define SETUPVDL_FORMAT_LOGIC_H

#include <cstddef>

// Writes format into text (size bytes, terminating zero included) with the
// first "%s" replaced by first and the second by second; "%%" is written
// as one '%'. Any other '%' sequence, and a "%s" past the second, is
// copied as it stands. A result that does not fit is cut at the last whole
// character that does. Returns the length written, or -1 when the result
// was cut or size is 0 (then nothing is written).
int FormatTwoTexts(char* text, size_t size, const char* format, const char* first, const char* second);

#endif
