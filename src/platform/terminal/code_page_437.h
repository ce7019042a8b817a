// Code page 437, the console's character set, as the Unicode a terminal
// draws: every byte has a glyph, so no byte of a picture reaches the
// terminal raw.
#pragma once

char32_t cp437_to_unicode(unsigned char code);

// Writes the UTF-8 form of the byte's glyph to out (room for 3 bytes) and
// returns its length.
int cp437_to_utf8(unsigned char code, char* out);
